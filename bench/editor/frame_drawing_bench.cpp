// One editor frame's drawing into the back buffer: the active layer's tiles,
// the text with the property panel and edit marker, and the clearing that
// starts the next frame. The tiles lie on a grid over a world of 4 x 4
// windows with the view at its top-left window, so most of a large layer is
// clipped away by blit, as in a real level.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include "editor.h"

static void fill_active_layer(int count)
{
    const int columns = 100;
    const int spacing_x = 32;
    const int spacing_y = 24;
    for (int i = 0; i < count; i++) {
        Tile tile(i % columns * spacing_x, i / columns * spacing_y, 1, 0, 0, 0, 0, 2);
        tile.setx[0] = i % 8 * 32;
        tile.setx[1] = 32;
        add(level.layers[active_layer], tile);
    }
}

static void editor_frame_drawing(benchmark::State &state)
{
    buffer = create_bitmap(SCREEN_W, SCREEN_H);
    clear_bitmap(buffer);
    level.tileset = create_bitmap(256, 256);
    clear_to_color(level.tileset, makecol(90, 120, 200));
    fill_active_layer(static_cast<int>(state.range(0)));
    selected_tile = 0;
    active_frame = 1;
    edit_mode = 7;
    mouse_x = 400;
    mouse_y = 300;

    for (auto _ : state) {
        draw_tiles();
        draw_text();
        clear_bitmap(buffer);
    }

    free_map(level);
    destroy_bitmap(buffer);
    buffer = nullptr;
}
BENCHMARK(editor_frame_drawing)->ArgName("tiles")->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);
