// Where each picture lies in the demo tileset. make_tileset draws every
// picture into its rectangle and make_demo_level cuts the level's frames
// from the same rectangles, so the two tools always agree.
//
// Every rectangle keeps at least two columns and rows of the mask colour
// (magenta) between itself, its neighbours and the bitmap's edge. Pictures
// that the game draws opaquely (blocks and decoration, type 1) fill their
// rectangle completely, with the sky colour where nothing stands.
#pragma once

struct Rect {
    int x, y, w, h;
};

const int tileset_width = 640;
const int tileset_height = 320;

// The player's frames, all one size so that its box never changes:
// 0 the passing step both walk cycles share, 1 a step to the right,
// 2 a step to the left, 3 standing.
const Rect player_frames[4] = {{2, 2, 24, 32}, {28, 2, 24, 32}, {54, 2, 24, 32}, {80, 2, 24, 32}};
// Walkers: the beetle cycles or rocks through three frames, the slime
// toggles between two.
const Rect beetle_frames[3] = {{106, 2, 32, 24}, {140, 2, 32, 24}, {174, 2, 32, 24}};
const Rect slime_frames[2] = {{208, 2, 32, 24}, {242, 2, 32, 24}};

// Solid blocks.
const Rect plank_left = {276, 2, 32, 16};
const Rect plank_middle = {310, 2, 32, 16};
const Rect plank_right = {344, 2, 32, 16};
const Rect grass_left = {2, 36, 32, 32};
const Rect grass_middle = {36, 36, 32, 32};
const Rect grass_right = {70, 36, 32, 32};
const Rect dirt = {104, 36, 32, 32};
const Rect dirt_left = {138, 36, 32, 32};
const Rect dirt_right = {172, 36, 32, 32};
const Rect brick = {206, 36, 32, 32};
const Rect stone = {240, 36, 32, 32};

// Decoration for the layers behind the play layer.
const Rect flowers = {378, 2, 32, 16};
const Rect fence = {412, 2, 32, 32};
const Rect bush = {446, 2, 64, 32};
const Rect small_cloud = {512, 2, 64, 32};
const Rect sky = {2, 70, 128, 128};
const Rect deep_dirt = {132, 70, 64, 64};
const Rect hill = {198, 70, 128, 64};
const Rect big_cloud = {328, 70, 96, 48};
const Rect tree = {426, 70, 48, 80};
const Rect town = {476, 70, 160, 96};

// What the editor shows for a message board: the game draws its own panel
// of this size, and tests the board for view by this rectangle.
const Rect board = {2, 200, 611, 111};
