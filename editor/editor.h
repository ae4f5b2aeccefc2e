// Plotwright's program-wide state: the level being edited and the view and
// entry state that the frame steps share. Nothing here is saved to the level.
#pragma once

#include "map.h"

struct BITMAP;

extern Map level;            // the level being edited, filled once at start-up
extern BITMAP *buffer;       // back buffer; each frame is drawn here, then shown
extern int32_t scroll_x;     // world position of the window's top-left pixel
extern int32_t scroll_y;
extern int32_t active_layer; // 0..4, shown to the user as 1..5
extern int32_t selected_tile;// index in the active layer of the tile being edited
extern int32_t edit_mode;    // 0 navigation, 1..10 the field the keyboard edits
extern int32_t active_frame; // frame of the selected tile drawn, shown and edited
extern char entry_buffer[9]; // the eight digits typed in edit mode
extern int32_t entry_cursor; // position 0..7 the next digit overwrites

// The frame steps, in the order the frame loop runs them.
void select_hovered_tile();
void handle_mouse_buttons();
void draw_origin_overlay();
void scroll_view();
void switch_layers();
void toggle_edit_mode();
void enter_field();
void draw_tiles();
void draw_text();
void present_frame();

// Copies frame `frame` of the tile from the tileset to dest at its world
// position minus the view; without a tileset it outlines the frame instead.
void draw_tile(const Tile &tile, BITMAP *dest, BITMAP *tileset, int32_t scroll_x,
               int32_t scroll_y, int32_t frame);

// Brings selected_tile back into the active layer and active_frame below the
// selected tile's frame count, after a step that may have broken either.
void fit_selection_to_layer();

// One-shot actions hold the frame until their key or button is released.
void wait_key_release(int key_code);
void wait_button_release(int button_bit);
// Runs on every turn of those waits; does nothing in the program, and lets a
// test release what is being waited for.
extern void (*release_wait_turn)();
