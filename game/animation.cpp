// Animation. Every timer counts steps of 50 pixels of horizontal travel, so
// it stands still while vx is 0, and a pass changes the frame at most once:
// a timer that grows by more than one step keeps the excess for later passes.
//
// The player walks on frames 0..2 and stands on frame 3. A walker's pattern
// (d2, compared exactly) is a three-frame cycle (0), a two-frame toggle (1)
// or a back-and-forth run 1, 2, 1, 0 whose step thresholds are d4 = 1..4 (2).
// Any other type does not animate.
//
// No step selects a frame the entity lacks: where the pattern asks for one,
// current_frame keeps its value and only the timers move on.
//
// The timers are floats and so is their arithmetic: 50 px at 250 px/s is
// exactly one step after 0.2 s, and a step is taken only past the threshold.
#include "animation.h"

#include <cmath>

const float pixels_per_step = 50;
const float standing_speed_limit = 100;  // |vy| below this shows the standing frame
const int32_t standing_frame = 3;

static void show_frame(Entity &e, int32_t frame)
{
    if (frame < e.frames)
        e.current_frame = frame;
}

// Steps travelled this pass at the entity's horizontal speed.
static float steps(const Entity &e, float dt)
{
    float rate = e.vx >= 0 ? e.vx / pixels_per_step : e.vx / -pixels_per_step;
    return dt * rate;
}

static void animate_player(Entity &e, float dt)
{
    float t = e.d1 + steps(e, dt);
    if (t > 1) {
        e.d1 = t - 1;
        if (e.current_frame == 0)
            show_frame(e, e.vx > 0 ? 1 : 2);
        else if (e.current_frame == 1 || e.current_frame == 2)
            show_frame(e, 0);
    } else {
        e.d1 = t;
    }

    if (e.vx == 0 && e.vy > -standing_speed_limit && e.vy < standing_speed_limit)
        show_frame(e, standing_frame);
    else if (e.current_frame == standing_frame)
        show_frame(e, 0);
}

static void animate_cycle(Entity &e, float t)
{
    if (t <= 1) {
        e.d3 = t;
        return;
    }
    e.d3 = t - 1;
    if (e.current_frame >= 0 && e.current_frame <= 1)
        show_frame(e, e.current_frame + 1);
    else if (e.current_frame == 2)
        show_frame(e, 0);
}

static void animate_toggle(Entity &e, float t)
{
    if (t <= 1) {
        e.d3 = t;
        return;
    }
    e.d3 = t - 1;
    show_frame(e, e.current_frame == 0 ? 1 : 0);
}

// The timer is not reduced within a run, so d4 = 1, 2, 3, 4 are passed one
// step apart; after the fourth the run starts again from 0.
static void animate_back_and_forth(Entity &e, float t)
{
    if (t <= e.d4) {
        e.d3 = t;
        return;
    }
    float run_step = std::trunc(e.d4);
    if (run_step == 1 || run_step == 3)
        show_frame(e, 1);
    else if (run_step == 2)
        show_frame(e, 2);
    else if (run_step == 4)
        show_frame(e, 0);

    if (e.d4 + 1 > 4) {
        e.d3 = 0;
        e.d4 = 1;
    } else {
        e.d4 = e.d4 + 1;
        e.d3 = t;
    }
}

static void animate_walker(Entity &e, float dt)
{
    float t = e.d3 + steps(e, dt);
    if (e.d2 == 0)
        animate_cycle(e, t);
    else if (e.d2 == 1)
        animate_toggle(e, t);
    else if (e.d2 == 2)
        animate_back_and_forth(e, t);
}

void animate_entity(Entity &e, float dt)
{
    if (e.type == 0)
        animate_player(e, dt);
    else if (e.type == 2)
        animate_walker(e, dt);
}
