// Plotwright: start-up, the frame loop until Escape, and the save at exit.
//
// Escape counts only at the loop test, before the first frame and after each
// one. The level is saved when the loop ends, changed or not, and then
// released, so that a leak checker sees no frame array left. Start-up that
// cannot get the library, an input driver, the window or the back buffer says
// why on standard error and ends with status 1: nothing is drawn into a
// screen that does not exist, and nothing is saved, since nothing was loaded.
#include <allegro.h>

#include <cstdio>

#include "editor.h"

const char *const level_file = "map.txt";
const int window_width = 800;
const int window_height = 600;

// Prints why start-up failed: the library's reason, or the likely one when
// the library gives none.
static bool give_up(const char *what, const char *likely_reason)
{
    const char *reason = allegro_error[0] ? allegro_error : likely_reason;
    fprintf(stderr, "plotwright: %s: %s\n", what, reason);
    return false;
}

// The library, the input drivers, a 32-bit 800x600 window and a cleared back
// buffer; false when one of them could not be had.
static bool start_up()
{
    if (allegro_init() != 0)
        return give_up("cannot start the Allegro library",
                       "no display could be opened (is DISPLAY set?)");
    if (install_keyboard() != 0)
        return give_up("cannot install the keyboard", "no reason given");
    if (install_mouse() < 0)
        return give_up("cannot install the mouse", "no reason given");
    if (install_timer() != 0)
        return give_up("cannot install the timer", "no reason given");
    set_color_depth(32);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, window_width, window_height, 0, 0) != 0)
        return give_up("cannot open the 800x600 window", "no reason given");
    buffer = create_bitmap(SCREEN_W, SCREEN_H);
    if (!buffer)
        return give_up("cannot create the back buffer", "out of memory");
    clear_bitmap(buffer);
    return true;
}

int main()
{
    if (!start_up())
        return 1;
    load_map(level, level_file);
    show_mouse(screen);

    while (!key[KEY_ESC]) {
        select_hovered_tile();
        if (mouse_b)
            handle_mouse_buttons();
        if (key[KEY_C])
            draw_origin_overlay();
        if (edit_mode == 0)
            scroll_view();
        switch_layers();
        toggle_edit_mode();
        if (edit_mode != 0)
            enter_field();
        draw_tiles();
        draw_text();
        present_frame();
    }

    save_map(level, level_file);
    free_map(level);
    return 0;
}
END_OF_MAIN()
