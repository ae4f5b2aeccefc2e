// Gives code under test a screen size while the "none" system driver runs.
// SCREEN_W and SCREEN_H read the graphics driver, which the none driver
// leaves unset (so both read 0); a ScreenSize points it at a zeroed driver
// record that holds only the size, and puts the old driver back when it ends.
#pragma once

#include <allegro.h>

struct ScreenSize {
    GFX_DRIVER driver = {};
    GFX_DRIVER *saved;

    ScreenSize(int w, int h) : saved(gfx_driver)
    {
        driver.w = w;
        driver.h = h;
        gfx_driver = &driver;
    }
    ScreenSize(const ScreenSize &) = delete;
    ScreenSize &operator=(const ScreenSize &) = delete;
    ~ScreenSize() { gfx_driver = saved; }
};
