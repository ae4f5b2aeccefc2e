// STUB: replaced by the walker's behaviour.
#include "game.h"
void update_walker(Entity &, Layer &, float) {}
