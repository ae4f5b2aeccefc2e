// One pass of the game without the present: every update, the draw pass into
// an 800 x 600 back buffer, the frame-rate text and the clear. The levels
// hold 32 x 32 blocks over all five layers; 200 of them lie in view and the
// rest far to the right and to the left, so the two sizes differ only in
// entities that the in-view test skips.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "frame.h"
#include "game.h"

const int screen_width = 800;
const int screen_height = 600;
const int in_view_count = 200;
const int block_size = 32;
const float bench_dt = 0.001f;

static Entity block_at(float x, float y, int32_t tile)
{
    Entity e;
    e.type = 1;
    e.x = e.old_x = x;
    e.y = e.old_y = y;
    e.frames = 1;
    e.setx = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    e.sety = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    e.sizex = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    e.sizey = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    *e.setx = tile * block_size;
    *e.sety = 0;
    *e.sizex = block_size;
    *e.sizey = block_size;
    e.update = update_none;
    return e;
}

// 200 blocks on a 20 x 10 grid that fills the view, the rest in rows of 100
// well right and well left of it, alternately.
static void build_level(Map &map, int count)
{
    for (int n = 0; n < count; n++) {
        float x, y;
        if (n < in_view_count) {
            x = static_cast<float>((n % 20) * 40);
            y = static_cast<float>((n / 20) * 60);
        } else {
            int far = n - in_view_count;
            float offset = static_cast<float>(2 * screen_width + (far / 2 % 100) * 40);
            x = far % 2 ? offset : -offset;
            y = static_cast<float>((far / 200) * 40);
        }
        add(map.layers[n % layer_count], block_at(x, y, n % 4));
    }
}

static void one_pass(benchmark::State &state)
{
    Map map;
    build_level(map, static_cast<int>(state.range(0)));
    map.tileset = create_bitmap(4 * block_size, block_size);
    clear_to_color(map.tileset, makecol(200, 120, 40));
    BITMAP *back_buffer = create_bitmap(screen_width, screen_height);
    clear_bitmap(back_buffer);
    GFX_DRIVER screen_size = {};  // SCREEN_W x SCREEN_H for the in-view test
    screen_size.w = screen_width;
    screen_size.h = screen_height;
    GFX_DRIVER *saved_driver = gfx_driver;
    gfx_driver = &screen_size;

    for (auto _ : state) {
        update_pass(map, bench_dt);
        draw_pass(map, back_buffer, 0, 0, bench_dt);
        draw_frame_rate(back_buffer, 60);
        clear_bitmap(back_buffer);
    }
    state.counters["entities"] = static_cast<double>(state.range(0));

    gfx_driver = saved_driver;
    destroy_bitmap(back_buffer);
    free_map(map);
}
BENCHMARK(one_pass)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
