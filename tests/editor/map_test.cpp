// The tile model: a new tile's frames, layers that grow and shrink by one
// tile keeping their order, and free_map leaving an empty map.
#include <gtest/gtest.h>

#include <allegro.h>

#include <cstdlib>
#include <vector>

#include "map.h"

static std::vector<int32_t> xs_of(const Layer &layer)
{
    std::vector<int32_t> xs;
    for (int32_t i = 0; i < layer.tile_count; i++)
        xs.push_back(layer.tiles[i].x);
    return xs;
}

static void release(Layer &layer)
{
    while (layer.tile_count > 0)
        remove(layer, 0);
}

TEST(TileTest, NewTileHoldsItsValuesAndEveryFrameIsTheDefaultRectangle)
{
    Tile tile(5, -7, 2, 0.5f, 1, 2, 3, 3);
    EXPECT_EQ(tile.x, 5);
    EXPECT_EQ(tile.y, -7);
    EXPECT_EQ(tile.type, 2);
    EXPECT_EQ(tile.d1, 0.5f);
    EXPECT_EQ(tile.d4, 3);
    ASSERT_EQ(tile.frames, 3);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(tile.setx[k], 0) << "frame " << k;
        EXPECT_EQ(tile.sety[k], 0) << "frame " << k;
        EXPECT_EQ(tile.sizex[k], 32) << "frame " << k;
        EXPECT_EQ(tile.sizey[k], 32) << "frame " << k;
    }
    free_frames(tile);
}

TEST(LayerTest, FirstTileStartsAnArrayAndRemovingTheLastLeavesNone)
{
    Layer layer;
    EXPECT_EQ(layer.tile_count, 0);
    EXPECT_EQ(layer.tiles, nullptr);

    add(layer, Tile(10, 0, 1, 0, 0, 0, 0, 1));
    ASSERT_EQ(layer.tile_count, 1);
    ASSERT_NE(layer.tiles, nullptr);
    EXPECT_EQ(layer.tiles[0].x, 10);

    remove(layer, 0);
    EXPECT_EQ(layer.tile_count, 0);
    EXPECT_EQ(layer.tiles, nullptr);

    add(layer, Tile(20, 0, 1, 0, 0, 0, 0, 1));
    EXPECT_EQ(xs_of(layer), std::vector<int32_t>{20});
    release(layer);
}

TEST(LayerTest, AddAppendsAfterTheLastTile)
{
    Layer layer;
    for (int32_t x : {30, 10, 20})
        add(layer, Tile(x, 0, 1, 0, 0, 0, 0, 1));
    EXPECT_EQ(xs_of(layer), (std::vector<int32_t>{30, 10, 20}));
    release(layer);
}

// A layer the file reader left empty holds an array of no tiles.
TEST(LayerTest, AddToAnEmptyArrayGrowsIt)
{
    Layer layer;
    layer.tiles = static_cast<Tile *>(malloc(0));
    add(layer, Tile(7, 0, 1, 0, 0, 0, 0, 1));
    EXPECT_EQ(xs_of(layer), std::vector<int32_t>{7});
    release(layer);
}

TEST(LayerTest, RemoveMovesLaterTilesDownKeepingTheirOrder)
{
    struct Case {
        int index;
        std::vector<int32_t> left;
    } cases[] = {
        {0, {1, 2}},
        {1, {0, 2}},
        {2, {0, 1}},
    };
    for (const Case &c : cases) {
        Layer layer;
        for (int32_t x : {0, 1, 2}) {
            add(layer, Tile(x, 0, 1, 0, 0, 0, 0, 2));
            layer.tiles[x].setx[1] = 100 + x;
        }
        remove(layer, c.index);
        EXPECT_EQ(xs_of(layer), c.left) << "removing index " << c.index;
        for (int32_t i = 0; i < layer.tile_count; i++)
            EXPECT_EQ(layer.tiles[i].setx[1], 100 + layer.tiles[i].x) << "a tile keeps its frames";
        release(layer);
    }
}

TEST(MapTest, FreeMapLeavesAnEmptyMapWithoutTileset)
{
    Map map;
    add(map.layers[0], Tile(0, 0, 1, 0, 0, 0, 0, 1));
    add(map.layers[4], Tile(0, 0, 1, 0, 0, 0, 0, 4));
    add(map.layers[4], Tile(0, 0, 1, 0, 0, 0, 0, 1));
    map.tileset = create_bitmap(32, 32);

    free_map(map);
    for (const Layer &layer : map.layers) {
        EXPECT_EQ(layer.tile_count, 0);
        EXPECT_EQ(layer.tiles, nullptr);
    }
    EXPECT_EQ(map.tileset, nullptr);
}
