// Keeping levels safe on disk. A level file is never overwritten in place:
// it is replaced whole by a rename, a file the editor could not read whole is
// first copied beside it, and a level that cannot be saved where it belongs
// goes to a new recovery file instead. No function here overwrites a file
// other than the one it was asked to replace.
#pragma once

#include <string>

// Writes bytes to the first free of "<file>.bak", "<file>.1.bak",
// "<file>.2.bak", ... with the file's permissions. Returns the backup's name,
// or "" with the reason in reason.
std::string keep_backup(const char *file_name, const std::string &bytes, std::string &reason);

// From now on replace_file leaves file_name as it is: it holds data that the
// editor could neither read nor back up.
void keep_untouched(const char *file_name);

// Replaces the file with bytes atomically: a crash at any moment leaves the
// old or the new content whole. A symbolic link is followed and kept; the
// file's permissions are kept, and a file the user may not write is not
// replaced. In a folder that takes no new file, a file the user may write is
// overwritten in place. Returns false with the reason in reason.
bool replace_file(const char *file_name, const std::string &bytes, std::string &reason);

// Writes bytes to a new recovery file, the first free of "<name>.recovered",
// "<name>.recovered.1", ... beside the file, then in the temporary folder
// ($TMPDIR or /tmp), then in $HOME. Returns its name, or "" with the reason
// of the last failure in reason.
std::string write_recovery_file(const char *file_name, const std::string &bytes,
                                std::string &reason);
