// What the pass and collision benchmarks build their levels and screen from:
// entities whose frames are squares of one size side by side along the
// tileset's top row, with the behaviour their type gives them in the game,
// and the back buffer the draw pass draws into.
//
// Frame arrays come from malloc as the loader gives them, so free_map
// releases them with the level.
#pragma once

#include <allegro.h>

#include <cstdlib>

#include "entity.h"

inline Entity sprite(int32_t type, float x, float y, int32_t frames, int32_t frame_size)
{
    Entity e;
    e.type = type;
    e.x = e.old_x = x;
    e.y = e.old_y = y;
    e.frames = frames;
    size_t bytes = sizeof(int32_t) * frames;
    e.setx = static_cast<int32_t *>(malloc(bytes));
    e.sety = static_cast<int32_t *>(malloc(bytes));
    e.sizex = static_cast<int32_t *>(malloc(bytes));
    e.sizey = static_cast<int32_t *>(malloc(bytes));
    for (int32_t k = 0; k < frames; ++k) {
        e.setx[k] = k * frame_size;
        e.sety[k] = 0;
        e.sizex[k] = frame_size;
        e.sizey[k] = frame_size;
    }
    e.update = type == 0 ? update_player : type == 2 ? update_walker : update_none;
    return e;
}

// An 800 x 600 back buffer and SCREEN_W x SCREEN_H to match (the passes'
// in-view test reads them), for the benchmark's lifetime.
struct BackBuffer {
    GFX_DRIVER screen_size = {};
    GFX_DRIVER *saved_driver = gfx_driver;
    BITMAP *bitmap;

    BackBuffer()
    {
        const int screen_width = 800;
        const int screen_height = 600;
        screen_size.w = screen_width;
        screen_size.h = screen_height;
        gfx_driver = &screen_size;
        bitmap = create_bitmap(screen_width, screen_height);
        clear_bitmap(bitmap);
    }
    BackBuffer(const BackBuffer &) = delete;
    BackBuffer &operator=(const BackBuffer &) = delete;
    ~BackBuffer()
    {
        destroy_bitmap(bitmap);
        gfx_driver = saved_driver;
    }
};
