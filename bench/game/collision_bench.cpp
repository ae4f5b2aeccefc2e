// The collision passes on a crowded layer: 100 walkers and one player among
// blocks that fill the layer up to 1,000, 10,000 or 100,000 entities. The
// update pass alone, with each mover testing every entity of its layer (no
// index) or only those the layer's index finds near it, and the full pass
// of the game (updates, then the draw pass into a back buffer, no present).
//
// The blocks form a floor split into pens by walls, one walker patrolling
// in each pen and the player standing in the first, so the layer stays the
// same however many passes run.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include "bench_level.h"
#include "frame.h"
#include "game.h"
#include "layer_index.h"

namespace {

const int walker_count = 100;
const int block_size = 32;
const float floor_y = 400;
const float pass_dt = 1.0f / 60;

// Layer 0 of entity_count entities: a floor, a wall at each end of every
// pen, a walker in the middle of each pen, then the player.
void build_crowded_level(Map &map, int entity_count)
{
    const int wall_count = walker_count + 1;
    const int floor_count = entity_count - walker_count - 1 - wall_count;
    const float on_floor = floor_y - block_size;
    Layer &layer = map.layers[0];
    for (int i = 0; i < floor_count; ++i)
        add(layer, sprite(1, float(i * block_size), floor_y, 1, block_size));
    for (int k = 0; k < wall_count; ++k) {
        int column = k * floor_count / walker_count;
        if (column >= floor_count)
            column = floor_count - 1;
        add(layer, sprite(1, float(column * block_size), on_floor, 1, block_size));
    }
    for (int k = 0; k < walker_count; ++k) {
        const float pen_middle = (k + 0.5f) * floor_count / walker_count * block_size;
        Entity walker = sprite(2, pen_middle, on_floor, 3, block_size);
        walker.d1 = k % 2;  // half start to the right, half to the left
        add(layer, walker);
    }
    add(layer, sprite(0, 2 * block_size, on_floor, 4, block_size));
}

// Movers times the entities each one tests, per pass.
int64_t collision_tests_per_pass(int entity_count)
{
    return int64_t(walker_count + 1) * entity_count;
}

void measure_update_pass(benchmark::State &state, bool indexed)
{
    const int entity_count = int(state.range(0));
    Map map;
    build_crowded_level(map, entity_count);
    if (indexed)
        index_map(map);
    camera_x = camera_y = -100;
    for (auto _ : state) {
        update_pass(map, pass_dt);
        benchmark::ClobberMemory();
    }
    if (!indexed)
        state.SetItemsProcessed(state.iterations() * collision_tests_per_pass(entity_count));
    free_map(map);
}

void BM_CollisionUpdatePass(benchmark::State &state)
{
    measure_update_pass(state, false);
}
BENCHMARK(BM_CollisionUpdatePass)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_IndexedCollisionUpdatePass(benchmark::State &state)
{
    measure_update_pass(state, true);
}
BENCHMARK(BM_IndexedCollisionUpdatePass)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

void BM_CollisionFullPass(benchmark::State &state)
{
    const int entity_count = int(state.range(0));
    BackBuffer back;
    Map map;
    build_crowded_level(map, entity_count);
    map.tileset = create_bitmap(4 * block_size, block_size);
    clear_to_color(map.tileset, makecol(200, 40, 40));
    camera_x = camera_y = -100;
    for (auto _ : state) {
        update_pass(map, pass_dt);
        draw_pass(map, back.bitmap, camera_x, camera_y, pass_dt);
        clear_bitmap(back.bitmap);
    }
    state.SetItemsProcessed(state.iterations() * collision_tests_per_pass(entity_count));
    free_map(map);
}
BENCHMARK(BM_CollisionFullPass)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
