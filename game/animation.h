// The animation step that draw_entity takes before it draws.
#pragma once

#include "entity.h"

// Advances the entity's animation timers and current_frame by dt seconds.
void animate_entity(Entity &e, float dt);
