// Definitions of the game's program-wide state, with the values it starts with.
// The level is constructed before player_controls and so destroyed after it.
#include "game.h"

Map level;
PlayerControls player_controls;
std::atomic<double> dt{0};
std::atomic<float> fps{0};
BITMAP *buffer = nullptr;
double counter_frequency = 0;
int64_t frame_start = 0;
int64_t frame_end = 0;
int32_t camera_x = -100;
int32_t camera_y = -100;
