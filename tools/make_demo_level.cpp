// make_demo_level OUTPUT: writes the demo level ("map.txt" beside
// tileset.bmp in levels/demo) in the editor's own layout, one token per
// line, so that loading and saving it in Plotwright leaves it unchanged.
//
// The level runs left to right between two stone pillars, over five
// screens: the start with the message board, a beetle's pen with a plank
// bridge, a brick ceiling and planks up to a raised plateau where a slime
// patrols, a ledge down to the ground, a second beetle's pen, stone stairs,
// and the conquered town on the horizon.
//
// Layer 0 is the play layer. Behind it: flowers, the board and the earth
// below the ground (1), bushes, trees and fences (2), hills and the town
// (3), the sky and its clouds (4). Blocks and decoration are type 1 and
// drawn opaquely, so every decoration picture carries its own sky; two of
// them must never overlap, or one would paint sky over the other. The tool
// refuses to write a level where they do.
#include <cstdio>
#include <vector>

#include "tileset_layout.h"

struct Tile {
    int type;
    int x, y;
    std::vector<Rect> frames;
    float d1, d2, d3, d4;
};

const int block = 32;
const int ground_top = 448;      // the top of the ground row
const int level_left = -32;      // left face of the left pillar
const int level_right = 4032;    // right face of the right pillar
const int pillar_top = 0;
// Scenery reaches past the pillars as far as the camera can see.
const int scenery_left = -256;
const int scenery_right = 4288;
const int sky_top = -128;

static std::vector<Tile> layers[5];
// Decoration that shows sky around its picture, for the overlap check.
static std::vector<Tile> sky_framed;

const int player_type = 0, block_type = 1, walker_type = 2, board_type = 3;

static void place(int layer, int x, int y, const Rect &frame)
{
    layers[layer].push_back({block_type, x, y, {frame}, 0, 0, 0, 0});
}

// Decoration standing with its bottom edge at `bottom`.
static void decorate(int layer, int x, int bottom, const Rect &picture)
{
    place(layer, x, bottom - picture.h, picture);
    sky_framed.push_back(layers[layer].back());
}

static void add_sky()
{
    for (int y = sky_top; y < ground_top; y += sky.h)
        for (int x = scenery_left; x < scenery_right; x += sky.w)
            place(4, x, y, sky);
    const struct {
        int x, y;
        bool big;
    } clouds[] = {{-200, 60, false}, {300, -10, true}, {760, 20, false}, {1150, -20, true},
                  {1560, 90, false}, {1900, 0, true},  {2350, 60, false}, {2720, -10, true},
                  {3150, 80, false}, {3500, 10, true}, {3950, 50, false}};
    for (const auto &c : clouds)
        decorate(4, c.x, c.y + (c.big ? big_cloud.h : small_cloud.h),
                 c.big ? big_cloud : small_cloud);
}

// The ground row, earth below it, and earth instead of grass wherever
// raised ground stands on the row.
static void add_ground(int raised_left, int raised_right)
{
    for (int x = scenery_left; x < scenery_right; x += block) {
        bool covered = x >= raised_left && x < raised_right;
        place(0, x, ground_top, covered ? dirt : grass_middle);
    }
    for (int y = ground_top + block; y < ground_top + block + 2 * deep_dirt.h; y += deep_dirt.h)
        for (int x = scenery_left; x < scenery_right; x += deep_dirt.w)
            place(1, x, y, deep_dirt);
}

// A column of `height` blocks standing on `bottom`.
static void add_column(int x, int bottom, int height, const Rect &picture)
{
    for (int i = 1; i <= height; i++)
        place(0, x, bottom - i * block, picture);
}

// A pillar too tall to jump over: the ends of the level.
static void add_pillar(int x)
{
    int height = (ground_top - pillar_top) / block;
    add_column(x, ground_top, height, stone);
    add_column(x + block, ground_top, height, stone);
}

// A floating platform of planks with rounded ends; its top is at y.
static void add_planks(int x, int y, int count)
{
    for (int i = 0; i < count; i++) {
        const Rect &picture = i == 0 ? plank_left : i == count - 1 ? plank_right : plank_middle;
        place(0, x + i * plank_middle.w, y, picture);
    }
}

// Raised ground from x for `columns` blocks, `rows` blocks high, on the ground row.
static void add_raised_ground(int x, int columns, int rows)
{
    int top = ground_top - rows * block;
    for (int i = 0; i < columns; i++) {
        bool left = i == 0, right = i == columns - 1;
        place(0, x + i * block, top, left ? grass_left : right ? grass_right : grass_middle);
        for (int y = top + block; y < ground_top; y += block)
            place(0, x + i * block, y, left ? dirt_left : right ? dirt_right : dirt);
    }
}

static void add_walker(int x, int bottom, const Rect *frames, int frame_count, float direction,
                       float pattern, float step)
{
    Tile walker{walker_type, x, bottom - frames[0].h, {}, direction, pattern, 0, step};
    walker.frames.assign(frames, frames + frame_count);
    layers[0].push_back(walker);
}

static void add_level()
{
    const int plateau_left = 2048, plateau_columns = 18, plateau_rows = 5;
    const int plateau_top = ground_top - plateau_rows * block;
    const int plateau_right = plateau_left + plateau_columns * block;

    add_ground(plateau_left, plateau_right);
    add_pillar(level_left);
    add_pillar(level_right - 2 * block);

    // The first beetle's pen: walls two blocks high, a plank bridge above.
    add_column(960, ground_top, 2, stone);
    add_column(1280, ground_top, 2, stone);
    add_planks(1056, 320, 5);

    // A brick ceiling to bump into, and planks up to the plateau.
    for (int x = 1408; x < 1600; x += block)
        place(0, x, ground_top - 3 * block, brick);
    add_planks(1696, 384, 3);
    add_planks(1856, 320, 4);

    // The plateau; the slime's pen on it has walls one block high, and its
    // right end is a ledge down to the ground.
    add_raised_ground(plateau_left, plateau_columns, plateau_rows);
    add_column(2144, plateau_top, 1, stone);
    add_column(2432, plateau_top, 1, stone);

    // The second beetle's pen, walled with bricks, then stone stairs up and
    // down again before the town.
    add_column(2816, ground_top, 2, brick);
    add_column(3136, ground_top, 2, brick);
    const int stair_heights[] = {1, 2, 3, 3, 2, 1};
    for (int i = 0; i < 6; i++)
        add_column(3264 + i * block, ground_top, stair_heights[i], stone);

    // Walkers, then the player last so that it is drawn over them.
    const float right = 1, left = 0;
    const float cycle = 0, toggle = 1, rock = 2;
    add_walker(1100, ground_top, beetle_frames, 3, right, cycle, 0);
    add_walker(2272, plateau_top, slime_frames, 2, left, toggle, 0);
    add_walker(2950, ground_top, beetle_frames, 3, left, rock, 1);
    Tile player{player_type, 112, ground_top - player_frames[0].h, {}, 0, 0, 0, 0};
    player.frames.assign(player_frames, player_frames + 4);
    layers[0].push_back(player);

    // Decoration, from the start to the town.
    layers[1].push_back({board_type, 64, 64, {board}, 0, 0, 0, 0});
    decorate(3, 224, ground_top, hill);
    decorate(2, 448, ground_top, bush);
    for (int x = 560; x < 656; x += fence.w)
        decorate(2, x, ground_top, fence);
    decorate(1, 688, ground_top, flowers);
    decorate(2, 768, ground_top, tree);
    decorate(1, 1328, ground_top, flowers);
    decorate(2, 1620, ground_top, bush);
    decorate(2, 2520, plateau_top, tree);
    decorate(2, 2672, ground_top, tree);
    decorate(1, 2744, ground_top, flowers);
    decorate(2, 3180, ground_top, bush);
    decorate(3, 3480, ground_top, hill);
    decorate(3, 3620, ground_top, town);
    decorate(2, 3800, ground_top, tree);
    for (int x = 3860; x < 3956; x += fence.w)
        decorate(2, x, ground_top, fence);
}

static bool overlap(const Tile &a, const Tile &b)
{
    const Rect &fa = a.frames[0], &fb = b.frames[0];
    return a.x < b.x + fb.w && b.x < a.x + fa.w && a.y < b.y + fb.h && b.y < a.y + fa.h;
}

static bool decoration_overlaps()
{
    bool found = false;
    for (size_t i = 0; i < sky_framed.size(); i++)
        for (size_t j = i + 1; j < sky_framed.size(); j++)
            if (overlap(sky_framed[i], sky_framed[j])) {
                fprintf(stderr, "make_demo_level: decoration at (%d, %d) overlaps (%d, %d)\n",
                        sky_framed[i].x, sky_framed[i].y, sky_framed[j].x, sky_framed[j].y);
                found = true;
            }
    return found;
}

static void write_value(FILE *file, int value)
{
    fprintf(file, "%d\n", value);
}

// d1..d4 in the editor's float notation: six significant digits.
static void write_value(FILE *file, float value)
{
    fprintf(file, "%g\n", static_cast<double>(value));
}

static bool write_map(const char *file_name)
{
    FILE *file = fopen(file_name, "w");
    if (!file)
        return false;
    fprintf(file, "001\ntileset.bmp\n");
    for (const std::vector<Tile> &layer : layers) {
        write_value(file, static_cast<int>(layer.size()));
        for (const Tile &t : layer) {
            write_value(file, t.type);
            write_value(file, t.x);
            write_value(file, t.y);
            write_value(file, static_cast<int>(t.frames.size()));
            for (const Rect &f : t.frames) {
                write_value(file, f.x);
                write_value(file, f.y);
                write_value(file, f.w);
                write_value(file, f.h);
            }
            write_value(file, t.d1);
            write_value(file, t.d2);
            write_value(file, t.d3);
            write_value(file, t.d4);
        }
    }
    return fclose(file) == 0;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_demo_level OUTPUT\n");
        return 2;
    }
    add_sky();
    add_level();
    if (decoration_overlaps())
        return 1;
    if (!write_map(argv[1])) {
        fprintf(stderr, "make_demo_level: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
