// Drawing one entity into the back buffer, after its animation step. Blocks
// are copied opaquely, the player, walkers and other types leave the
// tileset's mask colour out, and a message board is a bordered panel with
// the story text, drawn without the tileset.
//
// An entity without a box (no frame at current_frame) is not drawn. Without
// a tileset, every sprite is drawn as the outline of its frame rectangle so
// that the level can still be seen and played.
#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "animation.h"
#include "entity.h"

const int board_width = 611;
const int board_height = 111;
const int board_border = 5;
// Far enough out that no bitmap reaches it, near enough that px + 610 fits an int.
const double farthest_drawn = 1 << 30;

struct BoardLine {
    int x, y;
    const char *text;
};

static const BoardLine story[] = {
    {10, 10, "Player: \"They have conquered the town! What shall we do?\""},
    {10, 20, "Boss: \"I have no idea... But I know that we must get through them!\""},
    {10, 40, "What is the Tarrow? What is this all about?"},
    {10, 50, "Who is the boss? How to get to the town?"},
    {10, 60, "The release 0.0.1 is finished."},
    {10, 70, "The next one will show you more of this game..."},
    {60, 90, "Made by the Tarrow team with Allegro 4. Thanks for playing!"},
};

static void draw_message_board(BITMAP *dest, int px, int py)
{
    int border_colour = makecol(0, 0, 192);
    for (int i = 0; i < board_border; i++)
        rect(dest, px + i, py + i, px + board_width - 1 - i, py + board_height - 1 - i,
             border_colour);
    rectfill(dest, px + board_border, py + board_border, px + board_width - 1 - board_border,
             py + board_height - 1 - board_border, makecol(128, 64, 0));
    int text_colour = makecol(255, 255, 255);
    for (const BoardLine &line : story)
        textprintf_ex(dest, font, px + line.x, py + line.y, text_colour, -1, "%s", line.text);
}

// Cuts one axis of a copy (source start s, destination start d, length n)
// down to what lies inside both bitmaps, so that Allegro never does
// arithmetic on the level file's extreme values.
static bool clip_axis(int64_t &s, int64_t &d, int64_t &n, int64_t source_size, int64_t dest_size)
{
    int64_t cut = std::max({int64_t(0), -s, -d});
    s += cut;
    d += cut;
    n -= cut;
    n = std::min({n, source_size - s, dest_size - d});
    return n > 0;
}

static void draw_sprite_frame(BITMAP *dest, BITMAP *tileset, const Entity &e, int px, int py)
{
    int f = e.current_frame;
    int64_t sx = e.setx[f], sy = e.sety[f], w = e.sizex[f], h = e.sizey[f];
    int64_t dx = px, dy = py;
    if (!clip_axis(sx, dx, w, tileset->w, dest->w) || !clip_axis(sy, dy, h, tileset->h, dest->h))
        return;
    if (e.type == 1)
        blit(tileset, dest, sx, sy, dx, dy, w, h);
    else
        masked_blit(tileset, dest, sx, sy, dx, dy, w, h);
}

static void draw_outline(BITMAP *dest, const Entity &e, int px, int py)
{
    int64_t w = e.sizex[e.current_frame], h = e.sizey[e.current_frame];
    if (w <= 0 || h <= 0)
        return;
    int64_t right = std::min<int64_t>(px + w - 1, dest->w);
    int64_t bottom = std::min<int64_t>(py + h - 1, dest->h);
    rect(dest, px, py, right, bottom, makecol(255, 255, 0));
}

void draw_entity(Entity &entity, BITMAP *dest, BITMAP *tileset, int camera_x, int camera_y,
                 float dt)
{
    if (!has_box(entity))
        return;
    animate_entity(entity, dt);

    // Truncation toward zero: an entity at x = -0.5 stands in column 0 of the world.
    double screen_x = std::trunc(static_cast<double>(entity.x)) - camera_x;
    double screen_y = std::trunc(static_cast<double>(entity.y)) - camera_y;
    if (!(std::fabs(screen_x) <= farthest_drawn && std::fabs(screen_y) <= farthest_drawn))
        return;
    int px = static_cast<int>(screen_x);
    int py = static_cast<int>(screen_y);

    if (entity.type == 3)
        draw_message_board(dest, px, py);
    else if (!tileset)
        draw_outline(dest, entity, px, py);
    else
        draw_sprite_frame(dest, tileset, entity, px, py);
}
