// Entities built by hand for the drawing and pass tests, with frame arrays
// from malloc as the loader gives them. A TestEntity releases its arrays;
// an entity handed to a layer with add() is released by free_map.
#pragma once

#include <cstdlib>
#include <vector>

#include "entity.h"

struct FrameRect {
    int32_t setx, sety, sizex, sizey;
};

inline Entity entity_with_frames(int32_t type, float x, float y,
                                 const std::vector<FrameRect> &frames)
{
    Entity e;
    e.type = type;
    e.x = e.old_x = x;
    e.y = e.old_y = y;
    e.frames = static_cast<int32_t>(frames.size());
    e.setx = e.sety = e.sizex = e.sizey = nullptr;
    if (!frames.empty()) {
        size_t bytes = sizeof(int32_t) * frames.size();
        e.setx = static_cast<int32_t *>(malloc(bytes));
        e.sety = static_cast<int32_t *>(malloc(bytes));
        e.sizex = static_cast<int32_t *>(malloc(bytes));
        e.sizey = static_cast<int32_t *>(malloc(bytes));
    }
    for (size_t k = 0; k < frames.size(); k++) {
        e.setx[k] = frames[k].setx;
        e.sety[k] = frames[k].sety;
        e.sizex[k] = frames[k].sizex;
        e.sizey[k] = frames[k].sizey;
    }
    e.update = update_none;
    return e;
}

// count frames of 32 x 32 side by side along the tileset's top row.
inline Entity entity_with_row_frames(int32_t type, float x, float y, int count)
{
    std::vector<FrameRect> frames;
    for (int k = 0; k < count; k++)
        frames.push_back({32 * k, 0, 32, 32});
    return entity_with_frames(type, x, y, frames);
}

struct TestEntity {
    Entity e;

    explicit TestEntity(const Entity &entity) : e(entity) {}
    TestEntity(const TestEntity &) = delete;
    TestEntity &operator=(const TestEntity &) = delete;
    ~TestEntity()
    {
        free(e.setx);
        free(e.sety);
        free(e.sizex);
        free(e.sizey);
    }
};
