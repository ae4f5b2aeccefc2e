// One pass of the game without the present: every update, the draw pass into
// an 800 x 600 back buffer, the frame-rate text and the clear, on levels of
// 1,000, 10,000 and 100,000 entities in each of the five layers.
//
// Each layer is a building of pens, 100 entities to a pen: a floor of 48
// blocks of 40 x 40, a ceiling of 47 above it, a wall two blocks high at
// each end and one walker patrolling between the walls, so 1 % of the
// entities are walkers. Ten pens make a row, and rows lie far enough apart
// that the view never holds two. The player stands in the first pen of
// layer 0 and the camera settles on it, with about 200 entities in view
// whatever the size of the level.
//
// The layers are indexed as the game indexes them; the plain pass (no
// index) is measured too where it finishes in reasonable time. A second set
// of levels keeps ten walkers in each layer whatever its size (the other
// pens hold a block where the walker would be), which separates what the
// level's size costs from what its walkers' own updates cost.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "bench_level.h"
#include "frame.h"
#include "game.h"
#include "layer_index.h"

namespace {

const int block_size = 40;
const int pen_length = 48;  // floor blocks; the ceiling has one fewer
const int entities_per_pen = 100;
const int pens_per_row = 10;
const float row_spacing = 1000;
const float floor_top = 500;  // of the first row
const float pass_dt = 1.0f / 60;
const int settling_passes = 120;

// Appends one pen whose floor starts at (left, floor_y); with_player leaves
// out one ceiling block to make room for the player in the layer's count.
void add_pen(Layer &layer, float left, float floor_y, int pen, bool with_player, bool with_walker)
{
    const float b = block_size;
    for (int k = 0; k < pen_length; ++k)
        layer.entities[layer.entity_count++] = sprite(1, left + k * b, floor_y, 1, block_size);
    for (int k = with_player ? 2 : 1; k < pen_length; ++k)
        layer.entities[layer.entity_count++] =
            sprite(1, left + k * b, floor_y - 3 * b, 1, block_size);
    for (int k : {0, pen_length - 1})
        for (int high = 1; high <= 2; ++high)
            layer.entities[layer.entity_count++] =
                sprite(1, left + k * b, floor_y - high * b, 1, block_size);
    Entity walker = sprite(with_walker ? 2 : 1, left + pen_length / 2 * b, floor_y - b, 3,
                           block_size);
    walker.d1 = pen % 2;  // half start to the right, half to the left
    layer.entities[layer.entity_count++] = walker;
}

struct BenchLevel {
    Map map;
    int32_t camera_x = -100, camera_y = -100;

    // Walkers in the first walker_pens pens of each layer, or in all.
    BenchLevel(int per_layer, bool indexed, int walker_pens = -1)
    {
        const int pens = per_layer / entities_per_pen;
        for (int i = 0; i < layer_count; ++i) {
            Layer &layer = map.layers[i];
            layer.entities = static_cast<Entity *>(malloc(sizeof(Entity) * per_layer));
            for (int pen = 0; pen < pens; ++pen) {
                float left = float(pen % pens_per_row * pen_length * block_size);
                float floor_y = floor_top + float(pen / pens_per_row) * row_spacing;
                bool walker = walker_pens < 0 || pen < walker_pens;
                add_pen(layer, left, floor_y, pen, i == 0 && pen == 0, walker);
            }
        }
        Layer &front = map.layers[0];
        front.entities[front.entity_count++] =
            sprite(0, 2 * block_size, floor_top - block_size, 4, block_size);
        map.tileset = create_bitmap(4 * block_size, block_size);
        clear_to_color(map.tileset, makecol(200, 120, 40));
        if (indexed)
            index_map(map);
    }
    BenchLevel(const BenchLevel &) = delete;
    BenchLevel &operator=(const BenchLevel &) = delete;
    ~BenchLevel() { free_map(map); }

    void pass(BITMAP *back_buffer)
    {
        ::camera_x = camera_x;
        ::camera_y = camera_y;
        update_pass(map, pass_dt);
        draw_pass(map, back_buffer, ::camera_x, ::camera_y, pass_dt);
        draw_frame_rate(back_buffer, 60);
        clear_bitmap(back_buffer);
        camera_x = ::camera_x;
        camera_y = ::camera_y;
    }

    int count_in_view()
    {
        int seen = 0;
        for (Layer &layer : map.layers)
            for (int32_t j = 0; j < layer.entity_count; ++j)
                seen += in_view(layer.entities[j], camera_x, camera_y);
        return seen;
    }
};

void measure_pass(benchmark::State &state, bool indexed, int walker_pens = -1)
{
    const int per_layer = int(state.range(0));
    BackBuffer back;
    BenchLevel level(per_layer, indexed, walker_pens);
    for (int n = 0; n < settling_passes; ++n)
        level.pass(back.bitmap);
    for (auto _ : state)
        level.pass(back.bitmap);
    state.counters["per_layer"] = per_layer;
    state.counters["in_view"] = level.count_in_view();
}

void BM_Pass(benchmark::State &state)
{
    measure_pass(state, true);
}
BENCHMARK(BM_Pass)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_PassTenWalkersPerLayer(benchmark::State &state)
{
    measure_pass(state, true, 10);
}
BENCHMARK(BM_PassTenWalkersPerLayer)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_PlainPass(benchmark::State &state)
{
    measure_pass(state, false);
}
BENCHMARK(BM_PlainPass)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Seconds for a run of passes over one level.
double time_passes(BenchLevel &level, BITMAP *back_buffer, int passes)
{
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < passes; ++n)
        level.pass(back_buffer);
    std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return spent.count();
}

// The cost of a pass at 100,000 entities per layer over the cost at 1,000,
// from runs of passes over the two levels taken in turn, so that both see
// the same machine load. Argument 0: 1 % walkers; 1: ten walkers per layer.
void BM_PassGrowth(benchmark::State &state)
{
    const int passes_per_run = 50;
    const int walker_pens = state.range(0) == 0 ? -1 : 10;
    BackBuffer back;
    BenchLevel small(1000, true, walker_pens);
    BenchLevel large(100000, true, walker_pens);
    time_passes(small, back.bitmap, settling_passes);
    time_passes(large, back.bitmap, settling_passes);
    double small_seconds = 0, large_seconds = 0;
    for (auto _ : state) {
        small_seconds += time_passes(small, back.bitmap, passes_per_run);
        large_seconds += time_passes(large, back.bitmap, passes_per_run);
    }
    double passes = double(state.iterations()) * passes_per_run;
    state.counters["us_1k"] = small_seconds / passes * 1e6;
    state.counters["us_100k"] = large_seconds / passes * 1e6;
    state.counters["ratio_100k_to_1k"] = large_seconds / small_seconds;
}
BENCHMARK(BM_PassGrowth)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
