// STUB: replaced by the editor display.
#include <allegro.h>
#include "editor.h"
void draw_origin_overlay() {}
void draw_tiles() {}
void draw_text() {}
void present_frame() { blit(buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H); clear_bitmap(buffer); vsync(); }
