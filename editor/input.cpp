// STUB: replaced by the mouse and navigation steps.
#include "editor.h"
void select_hovered_tile() {}
void handle_mouse_buttons() {}
void scroll_view() {}
void switch_layers() {}
void toggle_edit_mode() {}
