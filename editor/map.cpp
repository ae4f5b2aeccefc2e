// STUB: replaced by the tile model.
#include <cstdlib>
#include "map.h"
Layer::~Layer() { free(tiles); }
