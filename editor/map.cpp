// The tile model. Tiles are plain values: copying one hands its frame
// arrays over. Layer arrays are resized to the exact tile count on every
// add and remove, so a layer that loses its last tile holds no array.
#include <allegro.h>

#include <cstdlib>

#include "map.h"

const int32_t new_frame_size = 32;

// Frames first to end - 1 become (0, 0, 32, 32).
static void start_frames(Tile &tile, int32_t first, int32_t end)
{
    for (int32_t k = first; k < end; k++) {
        tile.setx[k] = 0;
        tile.sety[k] = 0;
        tile.sizex[k] = new_frame_size;
        tile.sizey[k] = new_frame_size;
    }
}

Tile::Tile(int32_t x, int32_t y, int32_t type, float d1, float d2, float d3, float d4,
           int32_t frames)
    : x(x), y(y), type(type), d1(d1), d2(d2), d3(d3), d4(d4), frames(frames)
{
    size_t bytes = sizeof(int32_t) * (frames > 0 ? frames : 0);
    setx = static_cast<int32_t *>(malloc(bytes));
    sety = static_cast<int32_t *>(malloc(bytes));
    sizex = static_cast<int32_t *>(malloc(bytes));
    sizey = static_cast<int32_t *>(malloc(bytes));
    start_frames(*this, 0, frames);
}

void resize_frames(Tile &tile, int32_t count)
{
    size_t bytes = sizeof(int32_t) * count;
    tile.setx = static_cast<int32_t *>(realloc(tile.setx, bytes));
    tile.sety = static_cast<int32_t *>(realloc(tile.sety, bytes));
    tile.sizex = static_cast<int32_t *>(realloc(tile.sizex, bytes));
    tile.sizey = static_cast<int32_t *>(realloc(tile.sizey, bytes));
    start_frames(tile, tile.frames, count);
    tile.frames = count;
}

Layer::~Layer()
{
    free(tiles);
}

void add(Layer &layer, const Tile &tile)
{
    if (!layer.tiles) {
        layer.tiles = static_cast<Tile *>(malloc(sizeof(Tile)));
        layer.tile_count = 1;
    } else {
        layer.tile_count++;
        layer.tiles = static_cast<Tile *>(realloc(layer.tiles, sizeof(Tile) * layer.tile_count));
    }
    layer.tiles[layer.tile_count - 1] = tile;
}

void free_frames(Tile &tile)
{
    free(tile.setx);
    free(tile.sety);
    free(tile.sizex);
    free(tile.sizey);
}

void remove(Layer &layer, int index)
{
    free_frames(layer.tiles[index]);
    for (int i = index; i < layer.tile_count - 1; i++)
        layer.tiles[i] = layer.tiles[i + 1];
    layer.tile_count--;
    if (layer.tile_count == 0) {
        free(layer.tiles);
        layer.tiles = nullptr;
    } else {
        layer.tiles = static_cast<Tile *>(realloc(layer.tiles, sizeof(Tile) * layer.tile_count));
    }
}

void free_map(Map &map)
{
    if (map.tileset)
        destroy_bitmap(map.tileset);
    map.tileset = nullptr;
    for (Layer &layer : map.layers) {
        for (int32_t i = 0; i < layer.tile_count; i++)
            free_frames(layer.tiles[i]);
        free(layer.tiles);
        layer.tiles = nullptr;
        layer.tile_count = 0;
    }
}
