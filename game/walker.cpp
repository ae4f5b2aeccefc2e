// The walker: walks left or right at a constant speed, falls under a weak
// gravity of its own, lands on what lies below and turns when its side runs
// into an entity of its layer.
//
// d1 holds the direction: exactly 1 walks right, anything else walks left;
// a turn sets it to 1 if it was 0 and to 0 otherwise. The side rules fire by
// positions alone, whatever the direction, and every firing turns once more.
// As for the player, every entity of the layer with a box is solid, the
// walker itself included, and a walker without a box moves through all.
// The physics is computed in double and stored back as floats.
#include <cstdint>

#include "game.h"
#include "layer_index.h"

namespace {

void turn(Entity &w, double &speed)
{
    speed = -speed;
    w.d1 = w.d1 == 0 ? 1 : 0;
}

// Landing, right-side and left-side rules against every entity of the
// layer, in array order, leaving out those the layer's index finds cannot
// fire; turns reverse speed.
void collide_walker(Entity &w, const Layer &layer, double &speed)
{
    if (!has_box(w))
        return;
    const double ww = w.sizex[w.current_frame];
    const double wh = w.sizey[w.current_frame];
    const double wox = w.old_x;
    const double woy = w.old_y;
    ColliderWalk walk = start_collider_walk(layer, w);
    for (int32_t i; next_collider(walk, w, i);) {
        const Entity &o = layer.entities[i];  // may be w itself
        if (!has_box(o))
            continue;
        const double ow = o.sizex[o.current_frame];
        const double oh = o.sizey[o.current_frame];
        if (w.y + wh > o.y && woy + wh <= o.y && w.x + ww > o.x && w.x < o.x + ow) {
            w.vy = 0;
            w.y = o.y - wh;
        }
        if (w.y + wh > o.y && w.y < o.y + oh && w.x + ww > o.x && wox + ww <= o.x) {
            w.x = o.x - ww;
            turn(w, speed);
        }
        if (w.y + wh > o.y && w.y < o.y + oh && w.x < o.x + ow && wox >= o.x + ow) {
            w.x = o.x + ow;
            turn(w, speed);
        }
    }
}

}  // namespace

void update_walker(Entity &e, Layer &layer, float dt)
{
    const double walk_speed = 250;
    const double walker_gravity = 156.96;

    double speed = e.d1 == 1 ? walk_speed : -walk_speed;
    e.vy += walker_gravity * dt;

    collide_walker(e, layer, speed);

    e.vx = speed;
    e.old_x = e.x;
    if (e.vy != 0)
        e.old_y = e.y;

    e.x += speed * dt;
    if (e.vy != 0)
        e.y += static_cast<double>(e.vy) * dt - 0.5 * walker_gravity * dt * dt;
}
