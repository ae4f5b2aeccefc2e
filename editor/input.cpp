// Mouse and navigation steps of the frame: hover selection, the two mouse
// buttons, scrolling, layer switching and the edit-mode toggle. All of them
// act on the active layer only.
//
// A tile's hit rectangle leaves out its own first column and first row, and is
// always the size of frame 0. Hover selection ends on the lowest index under
// the pointer, while the buttons act on the topmost one. After any step that
// moves the selection, selected_tile is kept inside the layer and active_frame
// below the selected tile's frame count.
#include <allegro.h>

#include "editor.h"

const int left_button = 1;
const int right_button = 2;

static Layer &active()
{
    return level.layers[active_layer];
}

// Strict on every side, so a tile placed at the pointer is not yet under it.
// Computed in 64 bits: positions and sizes from a level file may lie near the
// 32-bit limits.
static bool under_pointer(const Tile &tile)
{
    int64_t left = int64_t(tile.x) - scroll_x;
    int64_t top = int64_t(tile.y) - scroll_y;
    return left < mouse_x && mouse_x < left + tile.sizex[0] && top < mouse_y &&
           mouse_y < top + tile.sizey[0];
}

// Left Ctrl, and not the right one: Allegro's X11 keyboard reports the left
// Ctrl key as held too while only the right one is down.
static bool left_ctrl_held()
{
    return key[KEY_LCONTROL] && !key[KEY_RCONTROL];
}

// Index of the highest tile under the pointer, or -1.
static int32_t topmost_under_pointer(const Layer &layer)
{
    for (int32_t i = layer.tile_count - 1; i >= 0; i--)
        if (under_pointer(layer.tiles[i]))
            return i;
    return -1;
}

void fit_selection_to_layer()
{
    const Layer &layer = active();
    if (layer.tile_count == 0) {
        selected_tile = 0;
        return;
    }
    if (selected_tile >= layer.tile_count)
        selected_tile = layer.tile_count - 1;
    const Tile &tile = layer.tiles[selected_tile];
    if (active_frame >= tile.frames)
        active_frame = tile.frames - 1;
}

// Tests every tile from the top down without stopping, so the last hit,
// the lowest index under the pointer, is the one selected.
void select_hovered_tile()
{
    const Layer &layer = active();
    for (int32_t i = layer.tile_count - 1; i >= 0; i--)
        if (under_pointer(layer.tiles[i]))
            selected_tile = i;
    fit_selection_to_layer();
}

// Raises the type of the topmost tile under the pointer, or places a new
// block there when there is none or left Ctrl is held.
static void left_button_action()
{
    Layer &layer = active();
    int32_t hit = left_ctrl_held() ? -1 : topmost_under_pointer(layer);
    if (hit >= 0) {
        layer.tiles[hit].type++;
    } else {
        int32_t world_x = mouse_x + scroll_x;
        int32_t world_y = mouse_y + scroll_y;
        selected_tile = layer.tile_count;
        add(layer, Tile(world_x, world_y, 1, 0, 0, 0, 0, 1));
        fit_selection_to_layer();
    }
    wait_button_release(left_button);
}

// Lowers the type of the topmost tile under the pointer and removes the tile
// once its type drops below 0, or at once when left Ctrl is held.
static void right_button_action()
{
    Layer &layer = active();
    int32_t hit = topmost_under_pointer(layer);
    if (hit >= 0) {
        Tile &tile = layer.tiles[hit];
        tile.type--;
        if (tile.type < 0 || left_ctrl_held()) {
            remove(layer, hit);
            fit_selection_to_layer();
        }
    }
    wait_button_release(right_button);
}

void handle_mouse_buttons()
{
    if (mouse_b & left_button)
        left_button_action();
    if (mouse_b & right_button)
        right_button_action();
}

// Moves the view every frame an arrow key is held; Shift and Ctrl add speed.
void scroll_view()
{
    const int32_t slow_step = 1;
    const int32_t shift_extra = 5;
    const int32_t ctrl_extra = 20;
    int32_t step = slow_step;
    if (key_shifts & KB_SHIFT_FLAG)
        step += shift_extra;
    if (key_shifts & KB_CTRL_FLAG)
        step += ctrl_extra;
    if (key[KEY_LEFT])
        scroll_x -= step;
    if (key[KEY_RIGHT])
        scroll_x += step;
    if (key[KEY_UP])
        scroll_y -= step;
    if (key[KEY_DOWN])
        scroll_y += step;
}

// Keypad plus and minus step through the five layers, wrapping around, and
// select the first tile of the new layer.
void switch_layers()
{
    if (key[KEY_PLUS_PAD]) {
        selected_tile = 0;
        active_layer = (active_layer + 1) % layer_count;
        fit_selection_to_layer();
        wait_key_release(KEY_PLUS_PAD);
    }
    if (key[KEY_MINUS_PAD]) {
        selected_tile = 0;
        active_layer = (active_layer + layer_count - 1) % layer_count;
        fit_selection_to_layer();
        wait_key_release(KEY_MINUS_PAD);
    }
}

// Enter turns navigation into editing of d1, and any edit mode back into navigation.
void toggle_edit_mode()
{
    if (key[KEY_ENTER]) {
        edit_mode = edit_mode == 0 ? 1 : 0;
        wait_key_release(KEY_ENTER);
    }
}
