// Common ground for the tests of the editor's frame steps: an empty level, the
// editor state as the program starts it, nothing held on keyboard or mouse,
// an 800x600 back buffer and screen, and busy waits that end on their first turn.
//
// SCREEN_W and SCREEN_H read the graphics driver, which the none driver leaves
// unset; the tests point it at a zeroed driver record holding only the size.
#pragma once

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "editor.h"

// Turns taken by busy waits since the test began.
inline int wait_turns = 0;

// The default wait turn: the user lets go of everything at once.
inline void release_everything()
{
    wait_turns++;
    for (int k = 0; k < KEY_MAX; k++)
        key[k] = 0;
    mouse_b = 0;
}

struct FrameStepTest : testing::Test {
    GFX_DRIVER window_size = {};
    GFX_DRIVER *saved_driver = nullptr;
    BITMAP *saved_screen = nullptr;

    void SetUp() override
    {
        window_size.w = 800;
        window_size.h = 600;
        saved_driver = gfx_driver;
        gfx_driver = &window_size;
        saved_screen = screen;
        screen = create_bitmap(800, 600);
        clear_bitmap(screen);
        free_map(level);
        buffer = create_bitmap(800, 600);
        clear_bitmap(buffer);
        scroll_x = 0;
        scroll_y = 0;
        active_layer = 0;
        selected_tile = 0;
        edit_mode = 6;
        active_frame = 0;
        strcpy(entry_buffer, "00000000");
        entry_cursor = 0;
        for (int k = 0; k < KEY_MAX; k++)
            key[k] = 0;
        key_shifts = 0;
        mouse_x = 0;
        mouse_y = 0;
        mouse_b = 0;
        wait_turns = 0;
        release_wait_turn = release_everything;
    }

    void TearDown() override
    {
        free_map(level);
        destroy_bitmap(buffer);
        buffer = nullptr;
        destroy_bitmap(screen);
        screen = saved_screen;
        gfx_driver = saved_driver;
    }
};

// Appends a block with `frames` frames of (0, 0, 32, 32) to a layer.
inline Tile &put_tile(int layer, int32_t x, int32_t y, int32_t frames = 1)
{
    add(level.layers[layer], Tile(x, y, 1, 0, 0, 0, 0, frames));
    return level.layers[layer].tiles[level.layers[layer].tile_count - 1];
}

// Empty when both bitmaps hold the same pixels, else where they first differ.
inline std::string first_difference(BITMAP *actual, BITMAP *expected)
{
    for (int y = 0; y < expected->h; y++)
        for (int x = 0; x < expected->w; x++)
            if (getpixel(actual, x, y) != getpixel(expected, x, y))
                return "pixels differ first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}
