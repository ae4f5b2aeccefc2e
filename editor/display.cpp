// Drawing of the editor's frame into the back buffer, and its presentation.
// Only the active layer is drawn. The origin overlay goes down first, then the
// tiles in index order (higher over lower), then the white text on top: the
// active layer, the selected tile's panel with the edit-field marker, and the
// pointer's world position. Nothing here changes the level or the editor state.
#include <allegro.h>

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "editor.h"

// Panel values end just left of this column; the marker's cells line up with it.
const int value_right = 200;
const int cell_width = 8;

static int white()
{
    return makecol(255, 255, 255);
}

// Cuts one axis of a copy from source to dest to the part that lies inside
// both: source positions 0..source_size - 1, dest positions dest_first..dest_end - 1.
// Returns false when nothing is left.
static bool clip_axis(int64_t &source, int64_t &dest, int64_t &size, int64_t source_size,
                      int64_t dest_first, int64_t dest_end)
{
    int64_t first = std::max({int64_t(0), -source, dest_first - dest});
    int64_t end = std::min({size, source_size - source, dest_end - dest});
    source += first;
    dest += first;
    size = end - first;
    return size > 0;
}

// Keeps a coordinate that lies off the bitmap just off it, so that it fits an int.
static int just_outside(int64_t value, int extent)
{
    return static_cast<int>(std::clamp(value, int64_t(-1), int64_t(extent)));
}

// The rectangle is clipped here, in 64-bit arithmetic, before the library
// sees it: a level file may hold frame values near the 32-bit limits, where
// the library's own clipping overflows and copies out of the tileset.
void draw_tile(const Tile &tile, BITMAP *dest, BITMAP *tileset, int32_t scroll_x,
               int32_t scroll_y, int32_t frame)
{
    int64_t x = int64_t(tile.x) - scroll_x;
    int64_t y = int64_t(tile.y) - scroll_y;
    int64_t width = tile.sizex[frame];
    int64_t height = tile.sizey[frame];
    if (tileset) {
        int64_t source_x = tile.setx[frame];
        int64_t source_y = tile.sety[frame];
        if (clip_axis(source_x, x, width, tileset->w, dest->cl, dest->cr) &&
            clip_axis(source_y, y, height, tileset->h, dest->ct, dest->cb)) {
            blit(tileset, dest, int(source_x), int(source_y), int(x), int(y), int(width),
                 int(height));
        }
    } else if (width > 0 && height > 0) {
        // Without a tileset the level still shows where its tiles are.
        rect(dest, just_outside(x, dest->w), just_outside(y, dest->h),
             just_outside(x + width - 1, dest->w), just_outside(y + height - 1, dest->h),
             makecol(160, 160, 160));
    }
}

// Marks the world origin and joins it to the pointer; drawn under the tiles.
void draw_origin_overlay()
{
    const int origin_radius = 5;
    circlefill(buffer, -scroll_x, -scroll_y, origin_radius, white());
    line(buffer, -scroll_x, -scroll_y, mouse_x, mouse_y, white());
}

// The selected tile shows its active frame, every other tile its frame 0.
void draw_tiles()
{
    const Layer &layer = level.layers[active_layer];
    for (int32_t i = 0; i < layer.tile_count; i++) {
        int32_t frame = i == selected_tile ? active_frame : 0;
        draw_tile(layer.tiles[i], buffer, level.tileset, scroll_x, scroll_y, frame);
    }
}

static void draw_label(int y, const char *label)
{
    textprintf_ex(buffer, font, 0, y, white(), -1, "%s", label);
}

static void draw_int_row(int y, const char *label, int32_t value)
{
    draw_label(y, label);
    textprintf_right_ex(buffer, font, value_right, y, white(), -1, "%d", value);
}

// Three decimals after a point, as "%.3f" gives them in the C locale. The
// library's keyboard set-up switches the C library to the user's locale,
// whose decimal separator may be a comma, so the value is not left to printf.
static void draw_float_row(int y, const char *label, float value)
{
    const int decimals = 3;
    char text[64];
    *std::to_chars(text, text + sizeof text - 1, static_cast<double>(value),
                   std::chars_format::fixed, decimals)
         .ptr = '\0';
    draw_label(y, label);
    textprintf_right_ex(buffer, font, value_right, y, white(), -1, "%s", text);
}

static void draw_panel(const Tile &tile)
{
    draw_int_row(10, "Tile x:", tile.x);
    draw_int_row(20, "Tile y:", tile.y);
    draw_int_row(30, "Tile type:", tile.type);
    draw_float_row(40, "Tile d1:", tile.d1);
    draw_float_row(50, "Tile d2:", tile.d2);
    draw_float_row(60, "Tile d3:", tile.d3);
    draw_float_row(70, "Tile d4:", tile.d4);
    draw_int_row(90, "Tile frames:", tile.frames);
    draw_int_row(100, "Active frame:", active_frame);
    draw_int_row(110, "Tile setx:", tile.setx[active_frame]);
    draw_int_row(120, "Tile sety:", tile.sety[active_frame]);
    draw_int_row(130, "Frame size x:", tile.sizex[active_frame]);
    draw_int_row(140, "Frame size y:", tile.sizey[active_frame]);
}

// Underlines the cell where cursor digit would stand if the field's digits
// (three for the frame fields, eight otherwise) were printed right-aligned at
// the value column, on the first pixel row below the edited row.
static void draw_edit_marker()
{
    const int marker_width = 6;
    bool frame_field = edit_mode == 5 || edit_mode == 6;
    int digits = frame_field ? 3 : 8;
    int row_y = edit_mode <= 4 ? 30 + 10 * edit_mode : 40 + 10 * edit_mode;
    int x1 = value_right - cell_width * digits + cell_width * entry_cursor;
    hline(buffer, x1, row_y + 10, x1 + marker_width, white());
}

void draw_text()
{
    const Layer &layer = level.layers[active_layer];
    textprintf_ex(buffer, font, 0, 0, white(), -1, "Active layer: %d", active_layer + 1);
    if (layer.tile_count > 0) {
        draw_panel(layer.tiles[selected_tile]);
        if (edit_mode != 0)
            draw_edit_marker();
    }
    textprintf_right_ex(buffer, font, SCREEN_W, 0, white(), -1, "Mouse position: (%d;%d)",
                        mouse_x + scroll_x, mouse_y + scroll_y);
}

// Shows the frame, then starts the next one from black.
void present_frame()
{
    blit(buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    clear_bitmap(buffer);
    vsync();
}
