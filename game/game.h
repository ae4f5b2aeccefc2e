// Tarrow's program-wide state. dt and fps are the only values shared with
// the timer thread, which runs fps_tick once a second.
#pragma once

#include <atomic>
#include <cstdint>

#include "entity.h"

struct BITMAP;

struct KeyBindings {
    int32_t left = 0;
    int32_t right = 0;
    int32_t jump = 0;
    int32_t action = 0;  // read by no behaviour

    KeyBindings() = default;
    KeyBindings(int32_t left, int32_t right, int32_t jump, int32_t action)
        : left(left), right(right), jump(jump), action(action) {}
};

struct PlayerControls {
    int32_t value = 0;  // read by no behaviour
    KeyBindings bindings;

    PlayerControls() = default;
    PlayerControls(int32_t value, const KeyBindings &bindings) : value(value), bindings(bindings) {}
};

extern Map level;                       // the level, filled once at start-up
extern PlayerControls player_controls;  // the player's keys, set at start-up
extern std::atomic<double> dt;          // duration of the previous pass, seconds
extern std::atomic<float> fps;          // frames per second, written by fps_tick
extern BITMAP *buffer;                  // back buffer, SCREEN_W x SCREEN_H
extern double counter_frequency;        // ticks per second of the frame counter
extern int64_t frame_start;             // counter at the start of a pass
extern int64_t frame_end;               // counter after the pass presented
extern int32_t camera_x;                // world position of the screen's top-left
extern int32_t camera_y;

void fps_tick();
