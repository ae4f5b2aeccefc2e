// Definitions of the editor's program-wide state, with the values it starts with.
#include "editor.h"

Map level;
BITMAP *buffer = nullptr;
int32_t scroll_x = 0;
int32_t scroll_y = 0;
int32_t active_layer = 0;
int32_t selected_tile = 0;
int32_t edit_mode = 6;  // opens on the "Active frame" field
int32_t active_frame = 0;
char entry_buffer[9] = "00000000";
int32_t entry_cursor = 0;
