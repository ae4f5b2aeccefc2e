// The steps of one pass of the game loop, as plain functions of the level,
// so that main, the tests and the benchmark run the same code.
#pragma once

#include <cstdint>

#include "entity.h"

struct BITMAP;

// Whether the entity's box reaches into the SCREEN_W x SCREEN_H view.
bool in_view(const Entity &e, int camera_x, int camera_y);
// Every entity's behaviour, layers 0 to 4, each with its own layer. A
// layer with an index keeps it up to date as its movers move.
void update_pass(Map &map, float dt);
// Entities in view, layers 4 to 0, so that layer 0 lies in front, each
// layer in array order.
void draw_pass(Map &map, BITMAP *dest, int camera_x, int camera_y, float dt);
void draw_frame_rate(BITMAP *dest, float rate);
// The pass's timing from counter values: the start is taken only when the
// previous pass measured more than nothing, the end sets dt.
void start_pass_timing(int64_t counter);
void end_pass_timing(int64_t counter);
