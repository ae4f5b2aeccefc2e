// Feeds arbitrary files to the editor's level reader. Besides what the
// sanitizers catch, every level the reader keeps must save and reload as
// itself: loading the saved file and saving it again gives the same bytes.
//
// The files live in a private folder in memory where there is one
// (/dev/shm), since every save is flushed to the disk.
#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "map.h"
#include "message.h"

static std::string folder;

static void ignore_message(const char *) {}

static std::string in_folder(const char *name)
{
    return folder + "/" + name;
}

static std::string read_file(const std::string &name)
{
    std::ifstream file(name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

static void remove_folder()
{
    for (const char *name : {"map.txt", "map.txt.bak", "saved.txt", "saved_again.txt"})
        unlink(in_folder(name).c_str());
    rmdir(folder.c_str());
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        abort();
    set_color_depth(32);
    show_message = ignore_message;
    char in_memory[] = "/dev/shm/editor_map_file_fuzz.XXXXXX";
    char on_disk[] = "/tmp/editor_map_file_fuzz.XXXXXX";
    const char *made = mkdtemp(in_memory);
    if (!made)
        made = mkdtemp(on_disk);
    if (!made)
        abort();
    folder = made;
    atexit(remove_folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input = in_folder("map.txt");
    const std::string saved = in_folder("saved.txt");
    const std::string saved_again = in_folder("saved_again.txt");
    FILE *file = fopen(input.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        abort();

    Map read;
    load_map(read, input.c_str());
    save_map(read, saved.c_str());
    Map reread;
    load_map(reread, saved.c_str());
    save_map(reread, saved_again.c_str());
    if (read_file(saved) != read_file(saved_again)) {
        fprintf(stderr, "a saved level did not save again as itself\n");
        abort();
    }
    free_map(read);
    free_map(reread);
    unlink(in_folder("map.txt.bak").c_str());
    return 0;
}
