// STUB: replaced by the player's behaviour.
#include "game.h"
void update_player(Entity &, Layer &, float) {}
