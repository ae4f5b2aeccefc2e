// Seeded random levels for the round-trip tests, and a canonical text dump
// of a level's tiles to compare them by.
//
// A level the editor can hold is any level its reader or its editing can
// leave in memory: a tileset name of 0 to 63 bytes without whitespace, NUL or
// '/' (an empty one is saved as "tileset.bmp"); any number of tiles per
// layer; any 32-bit type (clicking raises types past 3), position and frame
// value; at least one frame per tile; and any finite float as d1 to d4,
// denormals and negative zero included. The same seed gives the same level
// on every run.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "map.h"

// The engine's output is fixed by the standard, unlike the library's
// distributions, so values are taken from it directly.
inline int32_t random_int(std::mt19937 &rng)
{
    const int32_t edges[] = {0, 1, -1, 32, INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1};
    switch (rng() % 3) {
    case 0:
        return edges[rng() % 8];
    case 1:
        return static_cast<int32_t>(rng() % 2001) - 1000;
    default:
        return static_cast<int32_t>(rng());
    }
}

inline float random_d(std::mt19937 &rng)
{
    const float edges[] = {0.0f,     -0.0f,         FLT_MAX,       -FLT_MAX,  FLT_MIN,
                           -FLT_MIN, FLT_TRUE_MIN,  -FLT_TRUE_MIN, 1e-5f,     0.0001f,
                           999999,   1e6f,          99999.999f,    1234.567f, -400};
    const int edge_count = sizeof edges / sizeof edges[0];
    switch (rng() % 3) {
    case 0:
        return edges[rng() % edge_count];
    case 1:  // what field entry gives: thousandths of an eight-digit number
        return static_cast<float>(rng() % 100000000) / 1000.0f;
    default: {  // any bit pattern but infinities and NaNs
        uint32_t bits = static_cast<uint32_t>(rng());
        if ((bits & 0x7f800000u) == 0x7f800000u)
            bits &= ~0x00800000u;
        float value;
        memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

inline void random_tileset_name(std::mt19937 &rng, char (&name)[tileset_name_size])
{
    const int lengths[] = {0, 1, 31, 32, 63};
    int length = rng() % 2 ? lengths[rng() % 5] : 1 + static_cast<int>(rng() % 63);
    for (int i = 0; i < length; i++) {
        char c;
        do
            c = static_cast<char>(0x21 + rng() % (0x100 - 0x21));
        while (c == '/');
        name[i] = c;
    }
    name[length] = '\0';
}

// Fills an empty map with the level of this seed.
inline void make_random_level(Map &map, uint32_t seed)
{
    std::mt19937 rng(seed);
    random_tileset_name(rng, map.tileset_name);
    for (Layer &layer : map.layers) {
        int tiles = rng() % 4 == 0 ? 0 : static_cast<int>(rng() % 8);
        if (rng() % 20 == 0)
            tiles = 100 + static_cast<int>(rng() % 200);
        for (int j = 0; j < tiles; j++) {
            int32_t type = rng() % 8 ? static_cast<int32_t>(rng() % 4) : random_int(rng);
            int32_t frames = 1 + static_cast<int32_t>(rng() % 10 ? rng() % 4 : rng() % 100);
            // One value per statement: the order in which arguments are
            // evaluated is the compiler's choice.
            int32_t x = random_int(rng);
            int32_t y = random_int(rng);
            Tile tile(x, y, type, 0, 0, 0, 0, frames);
            tile.d1 = random_d(rng);
            tile.d2 = random_d(rng);
            tile.d3 = random_d(rng);
            tile.d4 = random_d(rng);
            for (int32_t k = 0; k < frames; k++) {
                tile.setx[k] = random_int(rng);
                tile.sety[k] = random_int(rng);
                tile.sizex[k] = random_int(rng);
                tile.sizey[k] = random_int(rng);
            }
            add(layer, tile);
        }
    }
}

// The value a d token written with six significant digits reads back as.
inline float as_written(float d)
{
    char text[32];
    snprintf(text, sizeof text, "%.6g", static_cast<double>(d));
    return strtof(text, nullptr);
}

// Rounds every d value of the map as the file writes it.
inline void round_d_values(Map &map)
{
    for (Layer &layer : map.layers) {
        for (int32_t j = 0; j < layer.tile_count; j++) {
            Tile &tile = layer.tiles[j];
            tile.d1 = as_written(tile.d1);
            tile.d2 = as_written(tile.d2);
            tile.d3 = as_written(tile.d3);
            tile.d4 = as_written(tile.d4);
        }
    }
}

inline std::string float_bits(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    char text[16];
    snprintf(text, sizeof text, "%08x", bits);
    return text;
}

// The tileset name, then one line per tile: layer, index, type, x, y,
// frames, the four values of every frame, then d1 to d4 as float bit
// patterns (so that -0 and denormals compare exactly).
inline std::string tile_dump(const Map &map)
{
    std::string text = std::string(map.tileset_name) + "\n";
    for (int i = 0; i < layer_count; i++) {
        const Layer &layer = map.layers[i];
        for (int32_t j = 0; j < layer.tile_count; j++) {
            const Tile &t = layer.tiles[j];
            text += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(t.type) +
                    " " + std::to_string(t.x) + " " + std::to_string(t.y) + " " +
                    std::to_string(t.frames);
            for (int32_t k = 0; k < t.frames; k++) {
                text += " " + std::to_string(t.setx[k]) + " " + std::to_string(t.sety[k]) + " " +
                        std::to_string(t.sizex[k]) + " " + std::to_string(t.sizey[k]);
            }
            text += " " + float_bits(t.d1) + " " + float_bits(t.d2) + " " + float_bits(t.d3) +
                    " " + float_bits(t.d4) + "\n";
        }
    }
    return text;
}
