// Backups, atomic replacement and recovery files for level files.
//
// New files are created with O_EXCL, so an existing backup or recovery file
// is never overwritten; the name search is bounded so that a folder full of
// old backups cannot hold the editor in a loop. Every write is checked and
// every file is flushed to the disk with fsync before it counts as written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "file_safety.h"

const int max_numbered_names = 1000;

// Files that replace_file must not touch, named as the caller named them.
static std::vector<std::string> untouched_files;

static int write_all(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += n;
    }
    return 0;
}

// Writes, flushes and closes an open file; returns 0 or the first error.
static int finish_file(int fd, const std::string &bytes, mode_t mode)
{
    int error = 0;
    if (fchmod(fd, mode) != 0)
        error = errno;
    if (!error)
        error = write_all(fd, bytes);
    if (!error && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    return error;
}

// Creates path, which must not exist yet, with bytes in it; returns 0 or the
// error (EEXIST when the name is taken). A file left half-written is removed.
static int write_new_file(const std::string &path, const std::string &bytes, mode_t mode)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = finish_file(fd, bytes, mode);
    if (error)
        unlink(path.c_str());
    return error;
}

// The mode a new file gets from the process's umask.
static mode_t new_file_mode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

static std::string folder_of(const std::string &path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

static std::string base_name_of(const std::string &path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string keep_backup(const char *file_name, const std::string &bytes, std::string &reason)
{
    struct stat original;
    mode_t mode = stat(file_name, &original) == 0 ? (original.st_mode & 07777) : new_file_mode();
    for (int n = 0; n < max_numbered_names; n++) {
        std::string name = file_name;
        name += n == 0 ? ".bak" : "." + std::to_string(n) + ".bak";
        int error = write_new_file(name, bytes, mode);
        if (!error)
            return name;
        if (error != EEXIST) {
            reason = strerror(error);
            return "";
        }
    }
    reason = "too many backups are there already";
    return "";
}

void keep_untouched(const char *file_name)
{
    untouched_files.push_back(file_name);
}

// The file a name stands for: the target of a symbolic link, else the name.
static std::string file_behind(const char *file_name)
{
    struct stat link;
    if (lstat(file_name, &link) != 0 || !S_ISLNK(link.st_mode))
        return file_name;
    char target[PATH_MAX];
    return realpath(file_name, target) ? std::string(target) : std::string(file_name);
}

// Makes a finished rename durable; a folder that cannot be synced is no fault
// of the level's.
static void sync_folder(const std::string &folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// A folder that takes no new file can still hold a level its user may write:
// the only way to save there is in place, which a crash could leave cut short.
static bool overwrite_in_place(const std::string &target, const std::string &bytes,
                               std::string &reason)
{
    int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    int error = fd < 0 ? errno : write_all(fd, bytes);
    if (fd >= 0 && !error && fsync(fd) != 0)
        error = errno;
    if (fd >= 0 && close(fd) != 0 && !error)
        error = errno;
    if (error)
        reason = strerror(error);
    return error == 0;
}

bool replace_file(const char *file_name, const std::string &bytes, std::string &reason)
{
    for (const std::string &name : untouched_files) {
        if (name == file_name) {
            reason = "it holds data the editor could not read or back up, so it is left as it was";
            return false;
        }
    }
    std::string target = file_behind(file_name);
    struct stat old_file;
    bool exists = stat(target.c_str(), &old_file) == 0;
    // A rename would replace a file its user may not write; writing it in
    // place would be refused, and so is this.
    if (exists && access(target.c_str(), W_OK) != 0) {
        reason = strerror(errno);
        return false;
    }
    mode_t mode = exists && S_ISREG(old_file.st_mode) ? (old_file.st_mode & 07777)
                                                      : new_file_mode();

    std::string temporary = target + ".XXXXXX";
    int fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EPERM) && exists && S_ISREG(old_file.st_mode))
        return overwrite_in_place(target, bytes, reason);
    if (fd < 0) {
        reason = strerror(errno);
        return false;
    }
    int error = finish_file(fd, bytes, mode);
    if (!error && rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        unlink(temporary.c_str());
        reason = strerror(error);
        return false;
    }
    sync_folder(folder_of(target));
    return true;
}

std::string write_recovery_file(const char *file_name, const std::string &bytes,
                                std::string &reason)
{
    std::string base = base_name_of(file_name);
    const char *temporary_folder = getenv("TMPDIR");
    if (!temporary_folder || !*temporary_folder)
        temporary_folder = "/tmp";
    std::vector<std::string> stems = {file_name, std::string(temporary_folder) + "/" + base};
    const char *home = getenv("HOME");
    if (home && *home)
        stems.push_back(std::string(home) + "/" + base);

    mode_t mode = new_file_mode();
    for (const std::string &stem : stems) {
        reason = "too many recovery files are there already";
        for (int n = 0; n < max_numbered_names; n++) {
            std::string name = stem + ".recovered";
            if (n > 0)
                name += "." + std::to_string(n);
            int error = write_new_file(name, bytes, mode);
            if (!error)
                return name;
            if (error != EEXIST) {
                reason = strerror(error);
                break;
            }
        }
    }
    return "";
}
