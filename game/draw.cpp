// STUB: replaced by animation and drawing.
#include "game.h"
void draw_entity(Entity &, BITMAP *, BITMAP *, int, int, float) {}
void fps_tick() {}
