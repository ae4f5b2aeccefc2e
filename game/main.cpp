// Tarrow: start-up, the frame loop and shutdown, each in its fixed order.
//
// The loop is uncapped: no frame limit, no retrace wait, no sleep. Every
// movement and animation is scaled by dt, the measured length of the
// previous pass. Escape is tested before the first pass and after each
// pass, so a pass that has begun always presents.
//
// A start-up step that fails ends the program with one line on standard
// error and status 1; nothing is drawn into a screen that is not there.
#include <allegro.h>

#include <cstdio>

#include "clock.h"
#include "frame.h"
#include "game.h"
#include "layer_index.h"

const int window_width = 800;
const int window_height = 600;
const int fallback_colour_depth = 32;  // when the desktop's depth is unknown
const double first_dt = 0.0001;

static int fail_start(const char *what, const char *reason)
{
    fprintf(stderr, "tarrow: %s: %s\n", what, reason);
    return 1;
}

// allegro_error, or a general reason when the library left it empty.
static const char *allegro_reason()
{
    return allegro_error[0] ? allegro_error : "no reason given";
}

static int start_up()
{
    if (allegro_init() != 0)
        return fail_start("cannot start Allegro",
                          allegro_error[0] ? allegro_error
                                           : "no display could be opened (is DISPLAY set?)");
    if (install_keyboard() != 0)
        return fail_start("cannot use the keyboard", allegro_reason());
    if (install_timer() != 0)
        return fail_start("cannot start the timer", allegro_reason());
    int depth = desktop_color_depth();
    set_color_depth(depth != 0 ? depth : fallback_colour_depth);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, window_width, window_height, 0, 0) != 0)
        return fail_start("cannot open the 800x600 window", allegro_reason());
    set_color_conversion(COLORCONV_TOTAL);
    if (install_int_ex(fps_tick, SECS_TO_TIMER(1)) != 0)
        return fail_start("cannot start the frame-rate timer", allegro_reason());
    buffer = create_bitmap(SCREEN_W, SCREEN_H);
    if (!buffer)
        return fail_start("cannot create the back buffer", "not enough memory");
    clear_bitmap(buffer);
    load_map(level, "map.txt");
    index_map(level);
    player_controls = PlayerControls(3, KeyBindings(KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_RCONTROL));
    counter_frequency = read_counter_frequency();
    dt.store(first_dt, std::memory_order_relaxed);
    return 0;
}

static void run_pass()
{
    start_pass_timing(read_counter());
    float step = static_cast<float>(dt.load(std::memory_order_relaxed));
    update_pass(level, step);
    draw_pass(level, buffer, camera_x, camera_y, step);
    draw_frame_rate(buffer, fps.load(std::memory_order_relaxed));
    blit(buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    clear_bitmap(buffer);
    end_pass_timing(read_counter());
}

static void shut_down()
{
    unindex_map(level);
    free_map(level);
    destroy_bitmap(buffer);
    buffer = nullptr;
    allegro_exit();
}

int main()
{
    if (start_up() != 0) {
        allegro_exit();
        return 1;
    }
    while (!key[KEY_ESC])
        run_pass();
    shut_down();
    return 0;
}
END_OF_MAIN()
