// One pass of the game: updates, the draw pass over what is in view, the
// frame rate, and the timing that gives the next pass its dt.
//
// dt and fps are shared with the timer thread, which runs fps_tick once a
// second; each is stored and loaded whole, with no further ordering needed.
// A pass that measured zero ticks leaves frame_start where it was, so the
// next measurement spans both passes.
#include <allegro.h>

#include <charconv>

#include "frame.h"
#include "game.h"
#include "layer_index.h"

bool in_view(const Entity &e, int camera_x, int camera_y)
{
    if (!has_box(e))
        return false;
    // The tests that need no frame size come first: most of a large level
    // fails them without its frame arrays being read.
    double x = e.x, y = e.y;
    if (!(x - camera_x < SCREEN_W && y - camera_y < SCREEN_H))
        return false;
    double w = e.sizex[e.current_frame], h = e.sizey[e.current_frame];
    return x + w > camera_x && y + h > camera_y;
}

// An indexed layer updates only its movers: update_none does nothing, so
// leaving it out changes nothing. Each mover is filed again where it ends.
void update_pass(Map &map, float dt)
{
    for (Layer &layer : map.layers) {
        if (!layer.index) {
            for (int32_t j = 0; j < layer.entity_count; j++)
                layer.entities[j].update(layer.entities[j], layer, dt);
            continue;
        }
        for (int32_t j : layer.index->movers) {
            layer.entities[j].update(layer.entities[j], layer, dt);
            refile_entity(layer, j);
        }
    }
}

static void draw_if_in_view(Map &map, Entity &e, BITMAP *dest, int camera_x, int camera_y,
                            float dt)
{
    if (in_view(e, camera_x, camera_y))
        draw_entity(e, dest, map.tileset, camera_x, camera_y, dt);
}

// An indexed layer looks only at the entities filed under the view, in
// array order, and puts each through the same in-view test.
void draw_pass(Map &map, BITMAP *dest, int camera_x, int camera_y, float dt)
{
    for (int i = layer_count - 1; i >= 0; i--) {
        Layer &layer = map.layers[i];
        if (layer.index && find_in_rectangle(*layer.index, camera_x, camera_y,
                                             double(camera_x) + SCREEN_W,
                                             double(camera_y) + SCREEN_H)) {
            for (int32_t j : layer.index->found)
                draw_if_in_view(map, layer.entities[j], dest, camera_x, camera_y, dt);
            continue;
        }
        for (int32_t j = 0; j < layer.entity_count; j++)
            draw_if_in_view(map, layer.entities[j], dest, camera_x, camera_y, dt);
    }
}

// Two decimals after a point, as "%.2f" gives them in the C locale. Allegro's
// keyboard set-up switches the C library to the user's locale, whose decimal
// separator may be a comma, so the number is not left to printf.
void draw_frame_rate(BITMAP *dest, float rate)
{
    const int decimals = 2;
    char number[64];
    *std::to_chars(number, number + sizeof number - 1, static_cast<double>(rate),
                   std::chars_format::fixed, decimals)
         .ptr = '\0';
    textprintf_ex(dest, font, 0, 0, makecol(255, 255, 255), -1, "FPS: %s", number);
}

// Runs on the timer thread. While dt is 0 the rate would be infinite, so the
// last finite rate stays on show.
void fps_tick()
{
    double seconds = dt.load(std::memory_order_relaxed);
    if (seconds != 0)
        fps.store(static_cast<float>(1 / seconds), std::memory_order_relaxed);
}

void start_pass_timing(int64_t counter)
{
    if (dt.load(std::memory_order_relaxed) != 0)
        frame_start = counter;
}

void end_pass_timing(int64_t counter)
{
    frame_end = counter;
    dt.store(static_cast<double>(frame_end - frame_start) / counter_frequency,
             std::memory_order_relaxed);
#ifdef TARROW_FRAME_TIMES
    record_frame_time(dt.load(std::memory_order_relaxed));
#endif
}
