// Keyboard field entry in edit mode: one buffered key per frame. Up and Down
// choose the field, Left and Right move the cursor, and every digit overwrites
// one place of the shared eight-digit entry, whose whole value then goes into
// the field at once. The entry and its cursor are never reset, so earlier
// digits come along into the next field.
//
// Modes 1-4 edit d1-d4 in thousandths, 5 the frame count and 6 the active
// frame from the first three digits, 7-10 the active frame's rectangle.
// On an empty layer the keys still move the mode, the cursor and the entry,
// but nothing is stored, since there is no tile.
#include <allegro.h>

#include <algorithm>
#include <cstdlib>

#include "editor.h"

const int32_t last_mode = 10;

static bool uses_first_three_digits(int32_t mode)
{
    return mode == 5 || mode == 6;
}

static int32_t last_cursor_position(int32_t mode)
{
    return uses_first_three_digits(mode) ? 2 : 7;
}

// Stores the entry's value v into the field the mode names.
static void store_entry(int32_t v)
{
    const double thousandths = 1000;
    const int32_t first_three_digits = 100000;
    Layer &layer = level.layers[active_layer];
    if (layer.tile_count == 0)
        return;
    Tile &tile = layer.tiles[selected_tile];
    switch (edit_mode) {
    case 1: tile.d1 = static_cast<float>(v / thousandths); break;
    case 2: tile.d2 = static_cast<float>(v / thousandths); break;
    case 3: tile.d3 = static_cast<float>(v / thousandths); break;
    case 4: tile.d4 = static_cast<float>(v / thousandths); break;
    case 5:
        // An entry starting with 000 keeps one frame: a tile never has none.
        resize_frames(tile, std::max(1, v / first_three_digits));
        fit_selection_to_layer();
        break;
    case 6: active_frame = std::min(v / first_three_digits, tile.frames - 1); break;
    case 7: tile.setx[active_frame] = v; break;
    case 8: tile.sety[active_frame] = v; break;
    case 9: tile.sizex[active_frame] = v; break;
    case 10: tile.sizey[active_frame] = v; break;
    }
}

void enter_field()
{
    if (!keypressed())
        return;
    int c = readkey() & 0xff;
    if (key[KEY_UP]) {
        if (edit_mode > 0)
            edit_mode--;
        wait_key_release(KEY_UP);
        return;
    }
    if (key[KEY_DOWN]) {
        if (edit_mode < last_mode)
            edit_mode++;
        wait_key_release(KEY_DOWN);
        return;
    }
    int32_t last = last_cursor_position(edit_mode);
    if (uisdigit(c)) {
        entry_buffer[entry_cursor] = static_cast<char>(c);
        store_entry(atoi(entry_buffer));
        if (entry_cursor < last)
            entry_cursor++;
    } else if (key[KEY_LEFT]) {
        if (entry_cursor > 0)
            entry_cursor--;
    } else if (key[KEY_RIGHT]) {
        if (entry_cursor < last)
            entry_cursor++;
    }
}
