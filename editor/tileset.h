// Loading the tileset bitmap a level names.
#pragma once

struct BITMAP;

// load_bitmap with no palette, which also takes a bmp file whose info header
// is one of the longer forms today's image tools write. None when the file
// cannot be loaded.
BITMAP *load_tileset(const char *file_name);
