// The editor's level in memory: five layers, each an array of tiles held by
// value, each tile with its own frames (source rectangles in the tileset).
//
// Arrays come from malloc/realloc and are resized to the exact element count
// on every change. A tile copied by value takes its frame arrays over; the
// source is not used again.
#pragma once

#include <cstdint>

struct BITMAP;

struct Tile {
    int32_t x;
    int32_t y;
    int32_t type;    // 0 player, 1 block, 2 walker, 3 message board; unbounded here
    float d1, d2, d3, d4;
    int32_t frames;  // at least 1
    int32_t *setx;
    int32_t *sety;
    int32_t *sizex;
    int32_t *sizey;

    // Every frame starts as (0, 0, 32, 32).
    Tile(int32_t x, int32_t y, int32_t type, float d1, float d2, float d3, float d4,
         int32_t frames);
};

struct Layer {
    int32_t tile_count = 0;
    Tile *tiles = nullptr;  // drawing order and file order

    Layer() = default;
    Layer(const Layer &) = delete;
    Layer &operator=(const Layer &) = delete;
    // Releases the tile array, not the tiles' frame arrays.
    ~Layer();
};

const int layer_count = 5;
const int tileset_name_size = 64;  // 63 characters and the terminator

struct Map {
    Layer layers[layer_count];
    char tileset_name[tileset_name_size] = "";
    BITMAP *tileset = nullptr;
};

// Appends a copy of tile as the last element.
void add(Layer &layer, const Tile &tile);
// Takes the tile at index out, releasing its frames; later tiles move down.
void remove(Layer &layer, int index);
// Reallocates the four frame arrays to count (at least 1) elements, keeping
// the frames both sizes share; frames that are new start as (0, 0, 32, 32).
void resize_frames(Tile &tile, int32_t count);
// Releases the four frame arrays of a tile.
void free_frames(Tile &tile);
// Releases the tileset and every array the map holds, leaving it empty.
void free_map(Map &map);

// Reading and writing "map.txt".
void load_map(Map &map, const char *file_name);
void save_map(Map &map, const char *file_name);
