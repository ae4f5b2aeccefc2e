// The player: runs and jumps under the keys of player_controls, falls under
// gravity, collides with the entities of its own layer, and drags the camera.
//
// Every entity of the layer that has a box is solid, whatever its type, and
// that includes the player itself: a single step of at least its own width
// or height makes it collide with where it now stands. Each collision
// response moves the player at once, so later tests see the new position.
// A player without a box still moves but collides with nothing. The physics
// is computed in double from the float fields and stored back as floats.
#include <allegro.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "game.h"
#include "layer_index.h"

namespace {

bool held(int32_t code)
{
    return key[code] != 0;
}

// Ceiling, landing, right-side and left-side rules against every entity of
// the layer, in array order; the layer's index leaves out those that cannot
// fire.
void collide_player(Entity &p, const Layer &layer)
{
    const double ceiling_bounce = -0.5;
    if (!has_box(p))
        return;
    const double pw = p.sizex[p.current_frame];
    const double ph = p.sizey[p.current_frame];
    const double pox = p.old_x;
    const double poy = p.old_y;
    ColliderWalk walk = start_collider_walk(layer, p);
    for (int32_t i; next_collider(walk, p, i);) {
        const Entity &o = layer.entities[i];  // may be p itself
        if (!has_box(o))
            continue;
        const double ow = o.sizex[o.current_frame];
        const double oh = o.sizey[o.current_frame];
        if (o.y + oh > p.y && o.y + oh <= poy && p.x + pw > o.x && p.x < o.x + ow) {
            p.vy = ceiling_bounce * p.vy;
            p.y = o.y + oh;
        }
        if (p.y + ph > o.y && poy + ph <= o.y && p.x + pw > o.x && p.x < o.x + ow) {
            p.vy = 0;
            p.y = o.y - ph;
        }
        if (p.y + ph > o.y && p.y < o.y + oh && p.x + pw > o.x && pox + pw <= o.x) {
            p.vx = 0;
            p.x = o.x - pw;
        }
        if (p.y + ph > o.y && p.y < o.y + oh && p.x < o.x + ow && pox >= o.x + ow) {
            p.vx = 0;
            p.x = o.x + ow;
        }
    }
}

// Moves a camera coordinate by the integer part of the root of the excess.
// A player far outside the int range (a level can place one there) pins the
// camera at the end of the range instead of overflowing it.
int32_t camera_moved(int32_t camera, double excess, int direction)
{
    const double moved = camera + direction * std::trunc(std::sqrt(excess));
    const double lowest = std::numeric_limits<int32_t>::min();
    const double highest = std::numeric_limits<int32_t>::max();
    if (moved < lowest)
        return std::numeric_limits<int32_t>::min();
    if (moved > highest)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(moved);
}

// Keeps the player's top-left corner within the middle half of the screen,
// closing in by the square root of the excess every frame.
void follow_with_camera(const Entity &p)
{
    const int w4 = SCREEN_W / 4, w34 = (3 * SCREEN_W) / 4;
    const int h4 = SCREEN_H / 4, h34 = (3 * SCREEN_H) / 4;
    double sx = p.x - static_cast<double>(camera_x);
    if (sx < w4)
        camera_x = camera_moved(camera_x, w4 - sx, -1);
    sx = p.x - static_cast<double>(camera_x);
    if (sx > w34)
        camera_x = camera_moved(camera_x, sx - w34, +1);
    double sy = p.y - static_cast<double>(camera_y);
    if (sy < h4)
        camera_y = camera_moved(camera_y, h4 - sy, -1);
    sy = p.y - static_cast<double>(camera_y);
    if (sy > h34)
        camera_y = camera_moved(camera_y, sy - h34, +1);
}

}  // namespace

void update_player(Entity &e, Layer &layer, float dt)
{
    const double run_acceleration = 900;
    const double friction = 650;
    const double speed_limit = 250;
    const double jump_velocity = -400;
    const double gravity = 981;
    const double move_acceleration = 250;  // the horizontal move's own term
    const KeyBindings &keys = player_controls.bindings;

    if (held(keys.left))
        e.vx -= run_acceleration * dt;
    if (held(keys.right))
        e.vx += run_acceleration * dt;

    if (held(keys.jump) && e.vy == 0)
        e.vy = jump_velocity;

    if (!held(keys.left) && !held(keys.right)) {
        if (e.vx > friction * dt)
            e.vx -= friction * dt;
        else if (e.vx < -friction * dt)
            e.vx += friction * dt;
        else
            e.vx = 0;
    }

    if (e.vx > speed_limit)
        e.vx = speed_limit;
    else if (e.vx < -speed_limit)
        e.vx = -speed_limit;

    e.vy += gravity * dt;

    collide_player(e, layer);

    e.old_x = e.x;
    if (e.vy != 0)
        e.old_y = e.y;

    const double a = e.vx > 0 ? move_acceleration : e.vx < 0 ? -move_acceleration : 0;
    e.x += static_cast<double>(e.vx) * dt - 0.5 * a * dt * dt;
    if (e.vy != 0)
        e.y += static_cast<double>(e.vy) * dt - 0.5 * gravity * dt * dt;

    follow_with_camera(e);
}
