// Feeds arbitrary files to the editor's level reader. Besides what the
// sanitizers catch, every level the reader keeps must save and reload as
// itself: loading the saved file and saving it again gives the same bytes.
// What was read is then pointed at and drawn as the editor would, every
// frame of every tile with and without a tileset, since the values that
// reach the hit test and the tileset copy come from the file.
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

#include "editor.h"
#include "map.h"
#include "message.h"

static std::string folder;
static BITMAP *fuzz_tileset;

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

    // SCREEN_W and SCREEN_H read the graphics driver, which the none driver
    // leaves unset: a zeroed record holding only the window size stands in.
    static GFX_DRIVER window_size = {};
    window_size.w = 800;
    window_size.h = 600;
    gfx_driver = &window_size;
    buffer = create_bitmap(800, 600);
    fuzz_tileset = create_bitmap(64, 48);
    clear_to_color(fuzz_tileset, makecol(90, 120, 200));
    return 0;
}

// Points at a few places of every layer and draws the frame as the editor
// does, then every frame of every tile on its own.
static void point_at_and_draw_level()
{
    const int pointer_places[][2] = {{0, 0}, {1, 1}, {400, 300}, {799, 599}};
    const int views[][2] = {{0, 0}, {-300, 200}};
    bool own_tileset = !level.tileset;
    if (own_tileset)
        level.tileset = fuzz_tileset;
    for (int i = 0; i < layer_count; i++) {
        active_layer = i;
        selected_tile = 0;
        active_frame = 0;
        edit_mode = 7;
        for (const auto &view : views) {
            scroll_x = view[0];
            scroll_y = view[1];
            for (const auto &place : pointer_places) {
                mouse_x = place[0];
                mouse_y = place[1];
                select_hovered_tile();
                draw_tiles();
                draw_text();
            }
            const Layer &layer = level.layers[i];
            for (int32_t j = 0; j < layer.tile_count; j++) {
                for (int32_t k = 0; k < layer.tiles[j].frames; k++) {
                    draw_tile(layer.tiles[j], buffer, level.tileset, scroll_x, scroll_y, k);
                    draw_tile(layer.tiles[j], buffer, nullptr, scroll_x, scroll_y, k);
                }
            }
        }
    }
    clear_bitmap(buffer);
    if (own_tileset)
        level.tileset = nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input = in_folder("map.txt");
    const std::string saved = in_folder("saved.txt");
    const std::string saved_again = in_folder("saved_again.txt");
    FILE *file = fopen(input.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        abort();

    load_map(level, input.c_str());
    save_map(level, saved.c_str());
    Map reread;
    load_map(reread, saved.c_str());
    save_map(reread, saved_again.c_str());
    if (read_file(saved) != read_file(saved_again)) {
        fprintf(stderr, "a saved level did not save again as itself\n");
        abort();
    }
    free_map(reread);
    point_at_and_draw_level();
    free_map(level);
    unlink(in_folder("map.txt.bak").c_str());
    return 0;
}
