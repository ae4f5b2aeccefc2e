// A layer of entities built by hand for the movement tests: each entity has
// one frame (its box) in malloc'd arrays, as the loader would give it, and
// the behaviour of its type. The scene releases the frame arrays it made.
#pragma once

#include <cstdlib>

#include "entity_fixture.h"
#include "game.h"

struct Scene {
    Layer layer;

    Scene() = default;
    Scene(const Scene &) = delete;
    Scene &operator=(const Scene &) = delete;
    ~Scene() { release_frames(layer); }

    // Appends an entity of the given type at rest at (x, y) with one w x h
    // frame; returns its index (references move as the layer grows).
    int place(int32_t type, float x, float y, int32_t w = 32, int32_t h = 32)
    {
        add(layer, boxed_entity(type, x, y, w, h));
        return layer.entity_count - 1;
    }

    // Appends an entity of the given type at (x, y) that was at (old_x, old_y)
    // before its latest step and moves at (vx, vy); returns its index.
    int place_moving(int32_t type, float x, float y, float old_x, float old_y, float vx, float vy)
    {
        int i = place(type, x, y);
        Entity &e = layer.entities[i];
        e.old_x = old_x;
        e.old_y = old_y;
        e.vx = vx;
        e.vy = vy;
        return i;
    }

    Entity &operator[](int i) { return layer.entities[i]; }

    // Leaves entity i with no frame at all, as a level with a frame count
    // below 1 does.
    void remove_frames(int i)
    {
        release_frames(layer.entities[i]);
        layer.entities[i].frames = 0;
    }

    // The ways an entity can be without a box.
    enum BoxLoss { no_frames, frame_past_end, negative_frame };
    static constexpr BoxLoss box_losses[] = {no_frames, frame_past_end, negative_frame};

    // Takes entity i's box away in the given way.
    void lose_box(int i, BoxLoss how)
    {
        if (how == no_frames)
            remove_frames(i);
        else
            layer.entities[i].current_frame = how == frame_past_end ? 1 : -1;
    }

    // One update pass over the layer in array order, as the main loop runs it.
    void update(float dt)
    {
        for (int i = 0; i < layer.entity_count; ++i)
            layer.entities[i].update(layer.entities[i], layer, dt);
    }

    static Entity boxed_entity(int32_t type, float x, float y, int32_t w, int32_t h)
    {
        Entity e = entity_with_frames(type, x, y, {{0, 0, w, h}});
        e.update = type == 0 ? update_player : type == 2 ? update_walker : update_none;
        return e;
    }

    static void release_frames(Layer &layer)
    {
        for (int i = 0; i < layer.entity_count; ++i)
            release_frames(layer.entities[i]);
    }

    static void release_frames(Entity &e)
    {
        free(e.setx);
        free(e.sety);
        free(e.sizex);
        free(e.sizey);
        e.setx = e.sety = e.sizex = e.sizey = nullptr;
    }
};
