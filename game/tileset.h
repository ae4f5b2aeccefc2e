// Loading the level's tileset bitmap.
#pragma once

struct BITMAP;

// load_bitmap with no palette; a bmp file with a header longer than
// Allegro's reader knows is loaded from a copy with the header cut back.
// None when the file cannot be loaded either way.
BITMAP *load_tileset(const char *file_name);
