// Fuzzes the game's level reader with arbitrary bytes as "map.txt", then
// draws every entity it kept, with and without a tileset, plays a few
// passes of the level, and frees it. The sanitizers catch any read or write
// outside the level's arrays and any undefined arithmetic on extreme values;
// the checks below catch a level that breaks the reader's promises.
#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "frame.h"
#include "game.h"
#include "message.h"

static BITMAP *tileset_picture;
static BITMAP *dest;
static GFX_DRIVER screen_size;
// Every frame value is read into this, so that the sanitizers see each read.
static volatile int64_t frame_values;

static void check(bool holds, const char *promise)
{
    if (!holds) {
        fprintf(stderr, "broken promise: %s\n", promise);
        abort();
    }
}

static void swallow_message(const char *text)
{
    check(strlen(text) > 0, "messages are not empty");
}

static char folder[] = "/tmp/game_map_fuzz.XXXXXX";

static void remove_folder()
{
    remove("map.txt");
    rmdir(folder);
}

// Works in a fresh folder, so that the only file a tileset name can find is
// map.txt. Corpus folders must therefore be given as absolute paths.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!mkdtemp(folder) || chdir(folder) != 0)
        abort();
    atexit(remove_folder);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        abort();
    set_color_depth(32);
    screen_size.w = 64;
    screen_size.h = 48;
    gfx_driver = &screen_size;
    show_message = swallow_message;
    tileset_picture = create_bitmap(32, 32);
    clear_to_color(tileset_picture, makecol(255, 0, 0));
    dest = create_bitmap(64, 48);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *file = fopen("map.txt", "wb");
    if (!file)
        abort();
    fwrite(data, 1, size, file);
    fclose(file);

    Map map;
    load_map(map, "map.txt");
    check(memchr(map.tileset_name, '\0', sizeof map.tileset_name) != nullptr,
          "the tileset name is terminated");
    for (Layer &layer : map.layers) {
        check(layer.entities != nullptr, "every layer has an array");
        check(layer.entity_count >= 0, "counts are not negative");
        for (int32_t j = 0; j < layer.entity_count; j++) {
            Entity &e = layer.entities[j];
            check(e.current_frame == 0 && e.vx == 0 && e.vy == 0, "entities start at rest");
            check(e.frames > 0 || e.setx == nullptr, "no frames, no arrays");
            for (int k = 0; k < e.frames; k++)
                frame_values = int64_t(e.setx[k]) + e.sety[k] + e.sizex[k] + e.sizey[k];
            for (int pass = 0; pass < 3; pass++) {
                in_view(e, 0, 0);
                draw_entity(e, dest, tileset_picture, -7, 3, 0.3f);
                draw_entity(e, dest, nullptr, 5, -2, 0.3f);
            }
        }
    }
    for (int pass = 0; pass < 3; pass++) {
        update_pass(map, 0.3f);
        draw_pass(map, dest, camera_x, camera_y, 0.3f);
    }
    free_map(map);
    return 0;
}
