// Loading generated levels of 1,000 to 1,000,000 tiles against the floor of
// reading and splitting the same file, and saving them. Saving flushes every
// file to the disk, so its figures depend on the disk more than on the code.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <string>

#include "../generated_level.h"
#include "map.h"
#include "message.h"

static int messages_shown = 0;

static void count_message(const char *)
{
    messages_shown++;
}

static int tile_count(const Map &map)
{
    int count = 0;
    for (const Layer &layer : map.layers)
        count += layer.tile_count;
    return count;
}

// A benchmark of a level the reader does not take whole would measure the
// wrong thing.
static bool loads_whole(benchmark::State &state, const std::string &file)
{
    messages_shown = 0;
    Map map;
    load_map(map, file.c_str());
    bool whole = messages_shown == 0 && tile_count(map) == state.range(0);
    free_map(map);
    if (!whole)
        state.SkipWithError("the generated level does not load whole");
    return whole;
}

static void editor_floor(benchmark::State &state)
{
    generated_level::floor_alone(state);
}
BENCHMARK(editor_floor)
    ->Arg(1000)->Arg(100000)->Arg(1000000)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

static void editor_load_map(benchmark::State &state)
{
    show_message = count_message;
    if (!loads_whole(state, generated_level::level_file(static_cast<int>(state.range(0)))))
        return;
    Map map;
    generated_level::compare_with_floor(
        state, sizeof(Tile), [&](const char *file) { load_map(map, file); }, [&] { free_map(map); });
}
BENCHMARK(editor_load_map)
    ->Arg(1000)->Arg(100000)->Arg(1000000)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

static void editor_save_map(benchmark::State &state)
{
    Map map;
    load_map(map, generated_level::level_file(static_cast<int>(state.range(0))).c_str());
    std::string saved = generated_level::folder() + "/saved.txt";
    for (auto _ : state)
        save_map(map, saved.c_str());
    free_map(map);
}
BENCHMARK(editor_save_map)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
