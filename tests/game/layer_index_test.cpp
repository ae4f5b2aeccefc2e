// The layer index on its own: where entities are filed, what a search finds,
// refiling of movers, the walk over possible colliders and the index's
// lifetime with its layer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "entity_fixture.h"
#include "game.h"
#include "layer_index.h"

namespace {

const float infinity = std::numeric_limits<float>::infinity();

// A level built by hand; free_map releases it however a test ends.
struct TestMap {
    Map map;
    ~TestMap() { free_map(map); }
};

Entity block(float x, float y, int32_t w = 32, int32_t h = 32)
{
    return entity_with_frames(1, x, y, {{0, 0, w, h}});
}

Entity walker(float x, float y)
{
    Entity e = entity_with_row_frames(2, x, y, 3);
    e.update = update_walker;
    return e;
}

// The level's first layer, holding these entities in this order, not indexed.
Layer &layer_with(TestMap &t, const std::vector<Entity> &entities)
{
    Layer &layer = t.map.layers[0];
    for (const Entity &e : entities)
        add(layer, e);
    return layer;
}

// What a search over the rectangle finds, or {-1} when it leaves the
// layer to the caller.
std::vector<int32_t> search(Layer &layer, double left, double top, double right, double bottom)
{
    if (!find_in_rectangle(*layer.index, left, top, right, bottom))
        return {-1};
    return layer.index->found;
}

std::vector<int32_t> walk_all(const Layer &layer, const Entity &mover)
{
    std::vector<int32_t> seen;
    ColliderWalk walk = start_collider_walk(layer, mover);
    for (int32_t i; next_collider(walk, mover, i);)
        seen.push_back(i);
    return seen;
}

const std::vector<int32_t> nothing;

}  // namespace

TEST(LayerIndex, EntityIsFoundAroundTheHullOfAllItsFramesNegativeSizesIncluded)
{
    TestMap t;
    // From (1000, 1000): frames reach right and down 32, left 100, up 150.
    Layer &layer = layer_with(
        t, {entity_with_frames(1, 1000, 1000, {{0, 0, 32, 32}, {0, 0, -100, 10}, {0, 0, 5, -150}})});
    index_layer(layer);
    struct Case {
        double x, y;
        bool found;
    } cases[] = {
        {1016, 1016, true},  {901, 1000, true},  {1031, 1000, true}, {1000, 851, true},
        {1000, 1031, true},  {870, 1000, false}, {1060, 1000, false}, {1000, 820, false},
        {1000, 1060, false}, {870, 820, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(search(layer, c.x, c.y, c.x, c.y), c.found ? std::vector<int32_t>{0} : nothing)
            << c.x << ", " << c.y;
}

TEST(LayerIndex, EntitiesWithoutFramesAreNeverFound)
{
    TestMap t;
    Layer &layer = layer_with(t, {entity_with_frames(1, 0, 0, {})});
    index_layer(layer);
    EXPECT_EQ(search(layer, -50, -50, 50, 50), nothing);
}

TEST(LayerIndex, FarHugeAndNonFiniteEntitiesAreFoundByEverySearch)
{
    TestMap t;
    Layer &layer = layer_with(t, {
        block(std::nanf(""), 0),
        block(infinity, 0),
        block(0, -infinity),
        block(3.0e7f, 0),             // beyond the grid
        block(5000, 5000, 1 << 30),   // reaching beyond it
        block(5000, 5000, 5000, 5000),  // over too many cells
        block(5000, 5000),            // an ordinary entity, found only near it
    });
    index_layer(layer);
    EXPECT_EQ(search(layer, 0, 0, 10, 10), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(search(layer, 5000, 5000, 5001, 5001), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(LayerIndex, SearchesThatAreNotFiniteBeyondTheGridOrTooWideAreLeftToTheCaller)
{
    TestMap t;
    Layer &layer = layer_with(t, {block(0, 0)});
    index_layer(layer);
    const double nan = std::nan("");
    EXPECT_EQ(search(layer, nan, 0, 10, 10), std::vector<int32_t>{-1});
    EXPECT_EQ(search(layer, 0, 0, 10, infinity), std::vector<int32_t>{-1});
    EXPECT_EQ(search(layer, 0, 0, 10, 3.0e7), std::vector<int32_t>{-1});
    EXPECT_EQ(search(layer, 0, 0, 100000, 10), std::vector<int32_t>{-1});
    EXPECT_EQ(search(layer, 0, 0, 10, 10), std::vector<int32_t>{0});
}

TEST(LayerIndex, FoundEntitiesAreInArrayOrderEachOnce)
{
    TestMap t;
    Layer &layer = layer_with(t, {
        block(300, 0, 200, 32),  // over four cells
        block(0, 0),
        block(10, 10),           // on top of the one before
        block(-300, -300, 700, 400),
    });
    index_layer(layer);
    EXPECT_EQ(search(layer, -10, -10, 600, 50), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(LayerIndex, MoversAreTheEntitiesThatUpdateInArrayOrder)
{
    TestMap t;
    Entity player = entity_with_row_frames(0, 300, 0, 4);
    player.update = update_player;
    Layer &layer = layer_with(t, {block(0, 0), walker(100, 0), block(200, 0), player});
    index_layer(layer);
    EXPECT_EQ(layer.index->movers, (std::vector<int32_t>{1, 3}));
}

TEST(LayerIndex, RefilingFollowsAMoverAcrossCellsOutOfTheGridAndBack)
{
    TestMap t;
    Layer &layer = layer_with(t, {walker(0, 0)});
    index_layer(layer);
    Entity &e = layer.entities[0];
    struct Step {
        float x;
        std::vector<int32_t> near_start, near_1000;
    } steps[] = {
        {1000, nothing, {0}},
        {std::nanf(""), {0}, {0}},  // found everywhere while not finite
        {0, {0}, nothing},
        {3.0e7f, {0}, {0}},
        {1010, nothing, {0}},
    };
    for (const Step &s : steps) {
        e.x = s.x;
        refile_entity(layer, 0);
        EXPECT_EQ(search(layer, 0, 0, 10, 10), s.near_start) << s.x;
        EXPECT_EQ(search(layer, 1000, 0, 1010, 10), s.near_1000) << s.x;
    }
}

TEST(LayerIndex, AddingToALayerAndFreeingTheLevelDropTheIndex)
{
    TestMap t;
    add(t.map.layers[0], block(0, 0));
    add(t.map.layers[3], block(0, 0));
    index_map(t.map);
    ASSERT_NE(t.map.layers[0].index, nullptr);
    add(t.map.layers[0], block(50, 0));
    EXPECT_EQ(t.map.layers[0].index, nullptr);
    EXPECT_NE(t.map.layers[3].index, nullptr);
    free_map(t.map);
    EXPECT_EQ(t.map.layers[3].index, nullptr);
}

TEST(ColliderWalk, WithoutAnIndexEveryEntityIsTestedInOrder)
{
    TestMap t;
    Layer &layer = layer_with(t, {block(-5000, 0), walker(0, 0), block(5000, 0)});
    EXPECT_EQ(walk_all(layer, layer.entities[1]), (std::vector<int32_t>{0, 1, 2}));
}

TEST(ColliderWalk, WithAnIndexTheEntitiesNearTheMoversPathAreTested)
{
    TestMap t;
    Layer &layer = layer_with(t, {
        block(-5000, 0),
        block(0, 32),   // under the walker
        block(300, 0),  // beyond where it was
        walker(0, 0),
        block(5000, 0),
    });
    index_layer(layer);
    Entity &w = layer.entities[3];
    EXPECT_EQ(walk_all(layer, w), (std::vector<int32_t>{1, 3}));
    w.old_x = 300;  // it came from the right, over the third block
    EXPECT_EQ(walk_all(layer, w), (std::vector<int32_t>{1, 2, 3}));
}

TEST(ColliderWalk, MoversWithMirroredBoxesOrNoFinitePositionTestEveryEntity)
{
    TestMap t;
    Layer &layer = layer_with(t, {block(-5000, 0), walker(0, 0), block(5000, 0)});
    index_layer(layer);
    Entity &w = layer.entities[1];
    const std::vector<int32_t> every{0, 1, 2};
    w.sizex[0] = -32;
    EXPECT_EQ(walk_all(layer, w), every);
    w.sizex[0] = 32;
    w.sizey[0] = -32;
    EXPECT_EQ(walk_all(layer, w), every);
    w.sizey[0] = 32;
    w.old_y = infinity;
    EXPECT_EQ(walk_all(layer, w), every);
    w.old_y = 0;
    w.x = std::nanf("");
    EXPECT_EQ(walk_all(layer, w), every);
}

TEST(ColliderWalk, OnceTheMoverLeavesItsPathEveryLaterEntityIsTested)
{
    TestMap t;
    Layer &layer = layer_with(t, {
        block(-5000, 0),
        block(0, 32),
        block(5000, 0),
        walker(0, 0),
        block(9000, 0),
    });
    index_layer(layer);
    Entity &w = layer.entities[3];
    ColliderWalk walk = start_collider_walk(layer, w);
    std::vector<int32_t> seen;
    int32_t i;
    ASSERT_TRUE(next_collider(walk, w, i));
    seen.push_back(i);
    w.x = 7000;  // as a response that put it far from where it was
    while (next_collider(walk, w, i))
        seen.push_back(i);
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2, 3, 4}));
}
