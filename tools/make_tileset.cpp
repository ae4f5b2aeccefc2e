// make_tileset OUTPUT.bmp: draws the demo tileset and writes it as a 24-bit
// BMP. Usage from the repository: ./run tileset.
//
// The bitmap starts all magenta, the mask colour that the game leaves out
// when it draws the player and the walkers. Sprites are pixel art held here
// as text, one character per pixel ('.' is the mask colour); blocks and
// decoration are drawn with primitives. Textures use a fixed hash instead
// of rand(), so every run writes the same bytes.
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tileset_layout.h"

struct Colour {
    int r, g, b;
};

const Colour magenta = {255, 0, 255};
const Colour sky_blue = {108, 180, 240};
const Colour outline = {28, 24, 36};

// One character per pixel of the pixel art.
struct PaletteEntry {
    char key;
    Colour colour;
};

const PaletteEntry palette[] = {
    {'.', magenta},
    {'K', outline},
    // the player
    {'R', {208, 48, 40}},    // cap
    {'w', {244, 128, 112}},  // shine on the cap
    {'r', {150, 30, 30}},    // visor
    {'H', {112, 64, 24}},    // hair
    {'S', {248, 200, 160}},  // skin
    {'s', {220, 156, 120}},  // skin in shadow
    {'B', {56, 104, 200}},   // tunic
    {'b', {36, 68, 150}},    // tunic in shadow
    {'Y', {240, 200, 64}},   // belt
    {'P', {92, 84, 80}},     // trousers
    {'N', {84, 44, 20}},     // boots: no other picture uses this colour
    // the beetle
    {'G', {128, 72, 168}},   // shell
    {'g', {88, 44, 120}},    // shell in shadow
    {'O', {240, 208, 80}},   // horn
    {'E', {250, 250, 250}},  // eye
    {'L', {64, 44, 72}},     // legs
    // the slime
    {'M', {70, 190, 170}},   // body
    {'m', {40, 130, 120}},   // body in shadow
    {'h', {196, 246, 236}},  // shine
};

static int colour_of(const Colour &c)
{
    return makecol(c.r, c.g, c.b);
}

static void fail(const char *what, const char *detail)
{
    fprintf(stderr, "make_tileset: %s%s\n", what, detail);
    exit(1);
}

// Draws text rows at (x, y); every row must be `width` pixels long. A typo
// in the art stops the tool rather than writing a broken tileset.
template <size_t row_count>
static void draw_art(BITMAP *bmp, int x, int y, int width, const char *const (&rows)[row_count],
                     const char *name)
{
    for (size_t row = 0; row < row_count; row++) {
        if (static_cast<int>(strlen(rows[row])) != width)
            fail("a row of the pixel art has the wrong width: ", name);
        for (int col = 0; col < width; col++) {
            const PaletteEntry *entry = nullptr;
            for (const PaletteEntry &candidate : palette)
                if (candidate.key == rows[row][col])
                    entry = &candidate;
            if (!entry)
                fail("the pixel art uses a character that is not in the palette: ", name);
            putpixel(bmp, x + col, y + static_cast<int>(row), colour_of(entry->colour));
        }
    }
}

// Copies the picture in `from` mirrored left to right into `to`.
static void mirror(BITMAP *bmp, const Rect &from, const Rect &to)
{
    BITMAP *copy = create_bitmap(from.w, from.h);
    blit(bmp, copy, from.x, from.y, 0, 0, from.w, from.h);
    rectfill(bmp, to.x, to.y, to.x + to.w - 1, to.y + to.h - 1, colour_of(magenta));
    draw_sprite_h_flip(bmp, copy, to.x, to.y);
    destroy_bitmap(copy);
}

// A fixed hash of a pixel position: the same texture on every run.
static unsigned noise(int x, int y, unsigned seed)
{
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Primitives drawn for one picture stay inside its rectangle.
static void clip_to(BITMAP *bmp, const Rect &r)
{
    set_clip_rect(bmp, r.x, r.y, r.x + r.w - 1, r.y + r.h - 1);
}

static void fill(BITMAP *bmp, const Rect &r, const Colour &c)
{
    rectfill(bmp, r.x, r.y, r.x + r.w - 1, r.y + r.h - 1, colour_of(c));
}

// ---------------------------------------------------------------- sprites

static const char *const player_standing[] = {
    "........................",
    ".........KKKKKK.........",
    ".......KKRRRRRRKK.......",
    "......KRRRRwRRRRRK......",
    "......KRRRRRRRRRRK......",
    ".....KrrrrrrrrrrrrK.....",
    ".....KKKKKKKKKKKKKK.....",
    "......KHHSSSSSSHHK......",
    "......KHSSSSSSSSHK......",
    "......KSSKSSSSKSSK......",
    "......KSSKSSSSKSSK......",
    "......KsSSSSSSSSsK......",
    ".......KSSSKKSSSK.......",
    "........KKSSSSKK........",
    ".......KBBKSSKBBK.......",
    ".....KKBBBBKKBBBBKK.....",
    "....KBBBBBBBBBBBBBBK....",
    "....KBBKBBBBBBBBKBBK....",
    "....KBBKBBBBBBBBKBBK....",
    "....KbbKBBBBBBBBKbbK....",
    "....KSSKYYYYYYYYKSSK....",
    "....KSSKbbbbbbbbKSSK....",
    ".....KK.KPPPPPPK.KK.....",
    "........KPPPPPPK........",
    "........KPPKKPPK........",
    "........KPPKKPPK........",
    "........KPPKKPPK........",
    "........KPPKKPPK........",
    ".......KNNNKKNNNK.......",
    "......KNNNNKKNNNNK......",
    "......KNNNNKKNNNNK......",
    "......KKKKKKKKKKKK......",
};

// The passing step: a pixel lower than standing, knees bent.
static const char *const player_passing[] = {
    "........................",
    "........................",
    ".........KKKKKK.........",
    ".......KKRRRRRRKK.......",
    "......KRRRRwRRRRRK......",
    "......KRRRRRRRRRRK......",
    ".....KrrrrrrrrrrrrK.....",
    ".....KKKKKKKKKKKKKK.....",
    "......KHHSSSSSSHHK......",
    "......KHSSSSSSSSHK......",
    "......KSSKSSSSKSSK......",
    "......KSSKSSSSKSSK......",
    "......KsSSSSSSSSsK......",
    ".......KSSSKKSSSK.......",
    "........KKSSSSKK........",
    ".......KBBKSSKBBK.......",
    ".....KKBBBBKKBBBBKK.....",
    "....KBBBBBBBBBBBBBBK....",
    "....KBBKBBBBBBBBKBBK....",
    "....KbbKBBBBBBBBKbbK....",
    "....KSSKYYYYYYYYKSSK....",
    "....KSSKbbbbbbbbKSSK....",
    ".....KK.KPPPPPPK.KK.....",
    "........KPPPPPPK........",
    "........KPPKKPPK........",
    ".......KPPK..KPPK.......",
    ".......KPPK..KPPK.......",
    "........KPPKKPPK........",
    ".......KNNNKKNNNK.......",
    "......KNNNNKKNNNNK......",
    "......KNNNNKKNNNNK......",
    "......KKKKKKKKKKKK......",
};

// A stride seen from the side, facing right; mirrored for the left.
static const char *const player_step_right[] = {
    "........................",
    "..........KKKKKK........",
    "........KKRRRRRRKK......",
    ".......KRRRRRRRwRRK.....",
    ".......KRRRRRRRRRRK.....",
    ".......KRRRRrrrrrrrrK...",
    ".......KKKKKKKKKKKKKKK..",
    ".......KHHHSSSSSSSK.....",
    ".......KHHSSSSSKSSK.....",
    ".......KHHSSSSSKSSK.....",
    ".......KHSSSSSSSSSSK....",
    "........KSSSSSSSSSK.....",
    "........KSSSSSSKKK......",
    ".........KKSSSSK........",
    "........KBBBKKBBK.......",
    ".......KBBBBBBBBBK......",
    ".......KBBBBBBBBBBK.....",
    ".......KBBbBBBBBBBKK....",
    ".......KBBbKBBBBBKSSK...",
    ".......KBBbKBBBBBKSSK...",
    ".......KYYYYYYYYYKKK....",
    ".......KbbbbbbbbbK......",
    "......KPPPPPPPPPPPK.....",
    ".....KPPPPK..KPPPPK.....",
    "....KPPPPK....KPPPPK....",
    "...KPPPPK......KPPPK....",
    "..KPPPK.........KPPPK...",
    "..KPPK...........KPPK...",
    ".KNNK............KNNNNK.",
    "KNNNK............KNNNNNK",
    "KNNNNK...........KNNNNNK",
    "KKKKKK...........KKKKKKK",
};

static const char *const beetle_body[] = {
    "................................",
    "...............KK...............",
    "..............KOOK..............",
    "..............KOOK..............",
    "..........KKKKKOOKKKKK..........",
    "........KKGGGGGKKGGGGGKK........",
    ".......KGGGGGGGGGGGGGGGGK.......",
    "......KGGgGGGGGGGGGGGGgGGK......",
    ".....KGGGGGGGGGGGGGGGGGGGGK.....",
    ".....KGGGKKKKGGGGGGKKKKGGGK.....",
    "....KGGGKEEEEKGGGGKEEEEKGGGK....",
    "....KGGGKEKKEKGGGGKEKKEKGGGK....",
    "....KGGGKEKKEKGGGGKEKKEKGGGK....",
    "....KGGGKEEEEKGGGGKEEEEKGGGK....",
    "....KgGGGKKKKGGGGGGKKKKGGGgK....",
    "....KggGGGGGGGKKKKGGGGGGGggK....",
    ".....KggggGGGGGGGGGGGGggggK.....",
    "......KKggggggggggggggggKK......",
};

static const char *const beetle_legs_upright[] = {
    "......KLK...KLK..KLK...KLK......",
    "......KLK...KLK..KLK...KLK......",
    "......KLK...KLK..KLK...KLK......",
    ".....KLLK..KLLK..KLLK..KLLK.....",
    ".....KLLK..KLLK..KLLK..KLLK.....",
    ".....KKKK..KKKK..KKKK..KKKK.....",
};

// Legs swung to the left; mirrored for the right.
static const char *const beetle_legs_swung[] = {
    "......KLK...KLK..KLK...KLK......",
    ".....KLK...KLK..KLK...KLK.......",
    ".....KLK...KLK..KLK...KLK.......",
    "...KLLK..KLLK..KLLK..KLLK.......",
    "...KLLK..KLLK..KLLK..KLLK.......",
    "...KKKK..KKKK..KKKK..KKKK.......",
};

static const char *const slime_tall[] = {
    "................................",
    "................................",
    "................................",
    "............KKKKKKKK............",
    "..........KKMMMMMMMMKK..........",
    ".........KMMMMMMMMMMMMK.........",
    "........KMMhhMMMMMMMMMMK........",
    ".......KMMhhMMMMMMMMMMMMK.......",
    ".......KMMMMMMMMMMMMMMMMK.......",
    "......KMMMMKKMMMMMMKKMMMMK......",
    "......KMMMKEEKMMMMKEEKMMMK......",
    "......KMMMKEKKMMMMKEKKMMMK......",
    ".....KMMMMMKKMMMMMMKKMMMMMK.....",
    ".....KMMMMMMMMMMMMMMMMMMMMK.....",
    ".....KMMMMMMMKKKKKKMMMMMMMK.....",
    "....KMMMMMMMMMMMMMMMMMMMMMMK....",
    "....KMMMMMMMMMMMMMMMMMMMMMMK....",
    "....KMMMMMMMMMMMMMMMMMMMMMMK....",
    "...KMMMMMMMMMMMMMMMMMMMMMMMMK...",
    "...KMMMMMMMMMMMMMMMMMMMMMMMMK...",
    "...KmMMMMMMMMMMMMMMMMMMMMMMmK...",
    "...KmmMMMMMMMMMMMMMMMMMMMMmmK...",
    "...KmmmmmmmmmmmmmmmmmmmmmmmmK...",
    "....KKKKKKKKKKKKKKKKKKKKKKKK....",
};

static const char *const slime_squashed[] = {
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "...........KKKKKKKKKK...........",
    ".........KKMMMMMMMMMMKK.........",
    ".......KKMMhhMMMMMMMMMMKK.......",
    "......KMMMhhMMMMMMMMMMMMMK......",
    ".....KMMMMKKMMMMMMMMKKMMMMK.....",
    ".....KMMMKEEKMMMMMMKEEKMMMK.....",
    "....KMMMMKEKKMMMMMMKEKKMMMMK....",
    "....KMMMMMKKMMMMMMMMKKMMMMMK....",
    "...KMMMMMMMMMKKKKKKMMMMMMMMMK...",
    "...KMMMMMMMMMMMMMMMMMMMMMMMMK...",
    "..KMMMMMMMMMMMMMMMMMMMMMMMMMMK..",
    "..KMMMMMMMMMMMMMMMMMMMMMMMMMMK..",
    ".KMMMMMMMMMMMMMMMMMMMMMMMMMMMMK.",
    ".KMMMMMMMMMMMMMMMMMMMMMMMMMMMMK.",
    ".KmMMMMMMMMMMMMMMMMMMMMMMMMMMmK.",
    ".KmmMMMMMMMMMMMMMMMMMMMMMMMMmmK.",
    ".KmmmmmmmmmmmmmmmmmmmmmmmmmmmmK.",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
};

static void draw_player(BITMAP *bmp)
{
    draw_art(bmp, player_frames[0].x, player_frames[0].y, 24, player_passing, "passing");
    draw_art(bmp, player_frames[1].x, player_frames[1].y, 24, player_step_right, "step");
    mirror(bmp, player_frames[1], player_frames[2]);
    draw_art(bmp, player_frames[3].x, player_frames[3].y, 24, player_standing, "standing");
}

static void draw_walkers(BITMAP *bmp)
{
    const int legs_top = 18;
    for (int i = 0; i < 2; i++) {
        const Rect &r = beetle_frames[i];
        draw_art(bmp, r.x, r.y, 32, beetle_body, "beetle");
        if (i == 0)
            draw_art(bmp, r.x, r.y + legs_top, 32, beetle_legs_upright, "beetle legs");
        else
            draw_art(bmp, r.x, r.y + legs_top, 32, beetle_legs_swung, "beetle legs");
    }
    mirror(bmp, beetle_frames[1], beetle_frames[2]);
    draw_art(bmp, slime_frames[0].x, slime_frames[0].y, 32, slime_tall, "slime");
    draw_art(bmp, slime_frames[1].x, slime_frames[1].y, 32, slime_squashed, "slime");
}

// ------------------------------------------------------------ ground blocks

const Colour dirt_brown = {150, 96, 52};
const Colour dirt_speck = {112, 68, 36};
const Colour dirt_pebble = {186, 140, 96};
const Colour dirt_edge = {84, 52, 28};
const Colour grass_shine = {152, 220, 88};
const Colour grass_green = {96, 184, 56};
const Colour grass_blade = {64, 148, 44};
const Colour grass_edge = {44, 112, 36};

// Brown earth with dark specks and light pebbles; the pattern repeats every
// 32 pixels so that blocks side by side join without a seam.
static void draw_dirt(BITMAP *bmp, int x0, int y0, int w, int h)
{
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned n = noise(x % 32, y % 32, 1) % 100;
            Colour c = n < 7 ? dirt_speck : n < 9 ? dirt_pebble : dirt_brown;
            putpixel(bmp, x0 + x, y0 + y, colour_of(c));
        }
}

// A grass top 7 to 9 pixels deep over earth.
static void draw_grass(BITMAP *bmp, const Rect &r)
{
    draw_dirt(bmp, r.x, r.y, r.w, r.h);
    for (int x = 0; x < r.w; x++) {
        int depth = 7 + static_cast<int>(noise(x, 0, 2) % 3);
        for (int y = 0; y < depth; y++) {
            Colour c = y == 0 ? grass_shine : noise(x, y, 3) % 6 == 0 ? grass_blade : grass_green;
            putpixel(bmp, r.x + x, r.y + y, colour_of(c));
        }
        putpixel(bmp, r.x + x, r.y + depth, colour_of(grass_edge));
        putpixel(bmp, r.x + x, r.y + depth + 1, colour_of(dirt_speck));
    }
}

// The left side of raised ground: a dark edge down the left column.
static void draw_left_edge(BITMAP *bmp, const Rect &r)
{
    vline(bmp, r.x, r.y, r.y + r.h - 1, colour_of(dirt_edge));
    vline(bmp, r.x + 1, r.y, r.y + r.h - 1, colour_of(dirt_speck));
}

// The top-left corner of raised ground, rounded off into the sky.
static void draw_grass_corner(BITMAP *bmp, const Rect &r)
{
    const int radius = 6;
    draw_grass(bmp, r);
    draw_left_edge(bmp, r);
    for (int y = 0; y < radius; y++)
        for (int x = 0; x < radius; x++) {
            int dx = radius - x, dy = radius - y;
            if (dx * dx + dy * dy > radius * radius)
                putpixel(bmp, r.x + x, r.y + y, colour_of(sky_blue));
            else if (dx * dx + dy * dy > (radius - 1) * (radius - 1))
                putpixel(bmp, r.x + x, r.y + y, colour_of(grass_edge));
        }
    vline(bmp, r.x, r.y + radius, r.y + 9, colour_of(grass_edge));
}

// Bricks 16 by 8 in mortar, every other row shifted by half a brick.
static void draw_brick(BITMAP *bmp, const Rect &r)
{
    const Colour mortar = {206, 186, 160};
    const Colour face = {178, 70, 44};
    const Colour shine = {214, 104, 72};
    const Colour shadow = {130, 48, 30};
    clip_to(bmp, r);
    fill(bmp, r, mortar);
    for (int row = 0; row < 4; row++) {
        int y = r.y + row * 8;
        for (int x = r.x + (row % 2) * 8 - 16; x < r.x + r.w; x += 16) {
            rectfill(bmp, x, y, x + 14, y + 6, colour_of(face));
            hline(bmp, x, y, x + 14, colour_of(shine));
            hline(bmp, x + 1, y + 6, x + 14, colour_of(shadow));
            vline(bmp, x + 14, y + 1, y + 6, colour_of(shadow));
        }
    }
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
}

// A dressed stone with a bevelled edge and a few chips.
static void draw_stone(BITMAP *bmp, const Rect &r)
{
    const Colour face = {150, 150, 162};
    const Colour light = {198, 198, 210};
    const Colour dark = {96, 96, 110};
    const Colour seam = {60, 60, 72};
    int x1 = r.x + r.w - 1, y1 = r.y + r.h - 1;
    fill(bmp, r, face);
    for (int y = 2; y < r.h - 2; y++)
        for (int x = 2; x < r.w - 2; x++)
            if (noise(x, y, 4) % 13 == 0)
                putpixel(bmp, r.x + x, r.y + y, colour_of(noise(x, y, 5) % 2 ? light : dark));
    rectfill(bmp, r.x, r.y, x1, r.y + 1, colour_of(light));
    rectfill(bmp, r.x, r.y, r.x + 1, y1, colour_of(light));
    rectfill(bmp, r.x + 1, y1 - 1, x1, y1, colour_of(dark));
    rectfill(bmp, x1 - 1, r.y + 1, x1, y1, colour_of(dark));
    rect(bmp, r.x, r.y, x1, y1, colour_of(seam));
    line(bmp, r.x + 9, r.y + 12, r.x + 13, r.y + 17, colour_of(dark));
    line(bmp, r.x + 13, r.y + 17, r.x + 12, r.y + 21, colour_of(dark));
}

// A wooden plank with a rivet near each end; the left end is rounded.
static void draw_plank(BITMAP *bmp, const Rect &r, bool left_end)
{
    const Colour edge = {80, 50, 24};
    const Colour shine = {226, 170, 100};
    const Colour wood = {194, 134, 72};
    const Colour grain = {160, 104, 52};
    const Colour shadow = {130, 84, 40};
    const Colour rivet = {70, 60, 60};
    int x1 = r.x + r.w - 1, y1 = r.y + r.h - 1;
    fill(bmp, r, wood);
    hline(bmp, r.x, r.y, x1, colour_of(edge));
    hline(bmp, r.x, r.y + 1, x1, colour_of(shine));
    hline(bmp, r.x, y1 - 2, x1, colour_of(shadow));
    hline(bmp, r.x, y1 - 1, x1, colour_of(shadow));
    hline(bmp, r.x, y1, x1, colour_of(edge));
    for (int x = 0; x < r.w; x++) {
        if (noise(x, 5, 6) % 5 != 0)
            putpixel(bmp, r.x + x, r.y + 5, colour_of(grain));
        if (noise(x, 9, 6) % 5 != 0)
            putpixel(bmp, r.x + x, r.y + 9, colour_of(grain));
    }
    putpixel(bmp, r.x + 5, r.y + 7, colour_of(rivet));
    putpixel(bmp, r.x + 26, r.y + 7, colour_of(rivet));
    if (left_end) {
        vline(bmp, r.x, r.y, y1, colour_of(sky_blue));
        vline(bmp, r.x + 1, r.y + 1, y1 - 1, colour_of(edge));
        putpixel(bmp, r.x + 1, r.y, colour_of(sky_blue));
        putpixel(bmp, r.x + 1, y1, colour_of(sky_blue));
        putpixel(bmp, r.x + 2, r.y + 1, colour_of(edge));
        putpixel(bmp, r.x + 2, y1 - 1, colour_of(edge));
    } else {
        vline(bmp, x1, r.y + 2, y1 - 3, colour_of(grain));
    }
}

static void draw_blocks(BITMAP *bmp)
{
    draw_grass_corner(bmp, grass_left);
    mirror(bmp, grass_left, grass_right);
    draw_grass(bmp, grass_middle);
    draw_dirt(bmp, dirt.x, dirt.y, dirt.w, dirt.h);
    draw_dirt(bmp, dirt_left.x, dirt_left.y, dirt_left.w, dirt_left.h);
    draw_left_edge(bmp, dirt_left);
    mirror(bmp, dirt_left, dirt_right);
    draw_brick(bmp, brick);
    draw_stone(bmp, stone);
    draw_plank(bmp, plank_left, true);
    draw_plank(bmp, plank_middle, false);
    mirror(bmp, plank_left, plank_right);
}

// ------------------------------------------------------------- decoration

struct Circle {
    int x, y, radius;
};

// Overlapping circles with an outline: the shape of clouds, bushes and
// tree tops. `shine` circles are drawn last, smaller and up to the left.
static void draw_puffs(BITMAP *bmp, const Rect &r, const Circle puffs[], int count,
                       const Colour &line_colour, const Colour &body, const Colour &shine)
{
    clip_to(bmp, r);
    for (int i = 0; i < count; i++)
        circlefill(bmp, r.x + puffs[i].x, r.y + puffs[i].y, puffs[i].radius + 1,
                   colour_of(line_colour));
    for (int i = 0; i < count; i++)
        circlefill(bmp, r.x + puffs[i].x, r.y + puffs[i].y, puffs[i].radius, colour_of(body));
    for (int i = 0; i < count; i++)
        circlefill(bmp, r.x + puffs[i].x - puffs[i].radius / 4,
                   r.y + puffs[i].y - puffs[i].radius / 3, puffs[i].radius / 2, colour_of(shine));
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
}

const Colour cloud_line = {176, 204, 232};
const Colour cloud_white = {250, 252, 255};
const Colour cloud_shade = {222, 234, 248};

static void draw_cloud(BITMAP *bmp, const Rect &r, const Circle puffs[], int count)
{
    fill(bmp, r, sky_blue);
    draw_puffs(bmp, r, puffs, count, cloud_line, cloud_shade, cloud_white);
}

static void draw_clouds(BITMAP *bmp)
{
    const Circle big[] = {{18, 32, 11}, {36, 22, 15}, {58, 20, 17}, {78, 31, 12}, {48, 34, 11}};
    const Circle small[] = {{14, 21, 8}, {30, 14, 11}, {48, 20, 9}, {31, 23, 8}};
    draw_cloud(bmp, big_cloud, big, 5);
    draw_cloud(bmp, small_cloud, small, 4);
}

static void draw_bush(BITMAP *bmp)
{
    const Circle puffs[] = {{14, 22, 10}, {31, 15, 14}, {49, 21, 11}, {24, 26, 8}, {40, 26, 8}};
    fill(bmp, bush, sky_blue);
    draw_puffs(bmp, bush, puffs, 5, {40, 108, 40}, {72, 160, 56}, {116, 198, 80});
}

static void draw_tree(BITMAP *bmp)
{
    const Colour bark = {112, 74, 40};
    const Colour bark_shadow = {80, 52, 28};
    const Circle crown[] = {{24, 20, 16}, {12, 32, 10}, {36, 32, 10}, {24, 38, 12}};
    const Rect &r = tree;
    fill(bmp, r, sky_blue);
    rectfill(bmp, r.x + 19, r.y + 44, r.x + 28, r.y + r.h - 1, colour_of(outline));
    rectfill(bmp, r.x + 20, r.y + 44, r.x + 27, r.y + r.h - 1, colour_of(bark));
    rectfill(bmp, r.x + 25, r.y + 44, r.x + 27, r.y + r.h - 1, colour_of(bark_shadow));
    putpixel(bmp, r.x + 22, r.y + 60, colour_of(bark_shadow));
    putpixel(bmp, r.x + 23, r.y + 66, colour_of(bark_shadow));
    draw_puffs(bmp, r, crown, 4, {36, 96, 40}, {64, 148, 60}, {104, 188, 84});
}

// A rounded hill rising from the ground line at the bottom edge.
static void draw_hill(BITMAP *bmp)
{
    const Rect &r = hill;
    int cx = r.x + r.w / 2, base = r.y + r.h + 20;
    fill(bmp, r, sky_blue);
    clip_to(bmp, r);
    ellipsefill(bmp, cx, base, 62, 82, colour_of({48, 112, 56}));
    ellipsefill(bmp, cx, base, 60, 80, colour_of({88, 168, 80}));
    ellipsefill(bmp, cx - 18, r.y + 20, 14, 6, colour_of({124, 196, 104}));
    const Circle spots[] = {{40, 40, 3}, {76, 30, 2}, {92, 48, 3}, {58, 54, 2}, {30, 58, 2}};
    for (const Circle &s : spots)
        circlefill(bmp, r.x + s.x, r.y + s.y, s.radius, colour_of({64, 140, 64}));
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
}

// Two pointed posts and two rails; the rails run edge to edge so fences join.
static void draw_fence(BITMAP *bmp)
{
    const Colour wood = {236, 226, 204};
    const Colour line_colour = {120, 110, 96};
    const Rect &r = fence;
    int x1 = r.x + r.w - 1;
    fill(bmp, r, sky_blue);
    for (int rail_y : {12, 22}) {
        rectfill(bmp, r.x, r.y + rail_y, x1, r.y + rail_y + 4, colour_of(line_colour));
        rectfill(bmp, r.x, r.y + rail_y + 1, x1, r.y + rail_y + 3, colour_of(wood));
    }
    for (int post_x : {5, 21}) {
        int left = r.x + post_x, right = left + 6;
        triangle(bmp, left, r.y + 7, right, r.y + 7, left + 3, r.y + 3, colour_of(line_colour));
        rectfill(bmp, left, r.y + 7, right, r.y + r.h - 1, colour_of(line_colour));
        rectfill(bmp, left + 1, r.y + 6, right - 1, r.y + r.h - 1, colour_of(wood));
        putpixel(bmp, left + 3, r.y + 4, colour_of(wood));
        vline(bmp, right - 1, r.y + 8, r.y + r.h - 1, colour_of({200, 188, 164}));
    }
}

// A tuft of grass with three flowers, standing on the ground line.
static void draw_flowers(BITMAP *bmp)
{
    const Rect &r = flowers;
    const Colour stem = {56, 136, 44};
    struct Flower {
        int x, y;
        Colour petals;
    };
    const Flower heads[] = {{7, 5, {220, 60, 90}}, {17, 8, {250, 220, 60}}, {26, 4, {250, 250, 250}}};
    fill(bmp, r, sky_blue);
    for (int x = 1; x < r.w - 1; x++) {
        int height = 2 + static_cast<int>(noise(x, 0, 7) % 4);
        vline(bmp, r.x + x, r.y + r.h - height, r.y + r.h - 1,
              colour_of(x % 2 ? grass_green : stem));
    }
    for (const Flower &f : heads) {
        vline(bmp, r.x + f.x, r.y + f.y, r.y + r.h - 1, colour_of(stem));
        circlefill(bmp, r.x + f.x, r.y + f.y, 2, colour_of(f.petals));
        putpixel(bmp, r.x + f.x, r.y + f.y, colour_of({240, 160, 40}));
    }
}

// The conquered town on the horizon: walls, towers and the invaders' flags.
static void draw_town(BITMAP *bmp)
{
    const Colour wall = {128, 120, 160};
    const Colour wall_shadow = {100, 92, 132};
    const Colour roof = {150, 70, 90};
    const Colour window = {60, 56, 80};
    const Colour pole = {70, 64, 80};
    const Colour flag = {150, 40, 170};
    struct Tower {
        int x, width, top;
    };
    const Tower towers[] = {{8, 24, 40}, {62, 28, 26}, {124, 24, 36}};
    const Rect &r = town;
    int bottom = r.y + r.h - 1;
    fill(bmp, r, sky_blue);
    clip_to(bmp, r);
    rectfill(bmp, r.x + 4, r.y + 56, r.x + r.w - 5, bottom, colour_of(wall_shadow));
    rectfill(bmp, r.x + 4, r.y + 58, r.x + r.w - 5, bottom, colour_of(wall));
    for (int x = r.x + 4; x < r.x + r.w - 6; x += 8)
        rectfill(bmp, x, r.y + 52, x + 3, r.y + 57, colour_of(wall_shadow));
    for (const Tower &t : towers) {
        int left = r.x + t.x, right = left + t.width - 1;
        rectfill(bmp, left, r.y + t.top, right, bottom, colour_of(wall));
        vline(bmp, right, r.y + t.top, bottom, colour_of(wall_shadow));
        triangle(bmp, left - 3, r.y + t.top, right + 3, r.y + t.top, (left + right) / 2,
                 r.y + t.top - 14, colour_of(roof));
        int pole_x = (left + right) / 2;
        vline(bmp, pole_x, r.y + t.top - 24, r.y + t.top - 14, colour_of(pole));
        rectfill(bmp, pole_x + 1, r.y + t.top - 24, pole_x + 8, r.y + t.top - 19, colour_of(flag));
        for (int y = r.y + t.top + 8; y < bottom - 12; y += 14)
            rectfill(bmp, pole_x - 2, y, pole_x + 1, y + 5, colour_of(window));
    }
    rectfill(bmp, r.x + 94, bottom - 18, r.x + 110, bottom, colour_of(window));
    circlefill(bmp, r.x + 102, bottom - 18, 8, colour_of(window));
    set_clip_rect(bmp, 0, 0, bmp->w - 1, bmp->h - 1);
}

// The editor's picture of a message board, in the colours of the game's panel.
static void draw_board(BITMAP *bmp)
{
    const Rect &r = board;
    for (int i = 0; i < 5; i++)
        rect(bmp, r.x + i, r.y + i, r.x + r.w - 1 - i, r.y + r.h - 1 - i, makecol(0, 0, 192));
    rectfill(bmp, r.x + 5, r.y + 5, r.x + r.w - 6, r.y + r.h - 6, makecol(128, 64, 0));
    int white = makecol(255, 255, 255);
    textprintf_ex(bmp, font, r.x + 10, r.y + 10, white, -1, "MESSAGE BOARD");
    textprintf_ex(bmp, font, r.x + 10, r.y + 30, white, -1,
                  "In the game this panel shows the story.");
}

static void draw_decoration(BITMAP *bmp)
{
    fill(bmp, sky, sky_blue);
    for (int y = 0; y < deep_dirt.h; y += 32)
        for (int x = 0; x < deep_dirt.w; x += 32)
            draw_dirt(bmp, deep_dirt.x + x, deep_dirt.y + y, 32, 32);
    draw_clouds(bmp);
    draw_bush(bmp);
    draw_tree(bmp);
    draw_hill(bmp);
    draw_fence(bmp);
    draw_flowers(bmp);
    draw_town(bmp);
    draw_board(bmp);
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_tileset OUTPUT.bmp\n");
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        fail("cannot start Allegro: ", allegro_error);
    set_color_depth(32);
    BITMAP *tileset = create_bitmap(tileset_width, tileset_height);
    if (!tileset)
        fail("not enough memory for the tileset", "");
    clear_to_color(tileset, colour_of(magenta));
    draw_player(tileset);
    draw_walkers(tileset);
    draw_blocks(tileset);
    draw_decoration(tileset);
    if (save_bitmap(argv[1], tileset, nullptr) != 0)
        fail("cannot write ", argv[1]);
    destroy_bitmap(tileset);
    return 0;
}
END_OF_MAIN()
