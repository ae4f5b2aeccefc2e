// Loading generated levels of 1,000 to 1,000,000 tiles into entities against
// the floor of reading and splitting the same file. The files are the ones
// the editor's benchmark reads.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <string>

#include "../generated_level.h"
#include "game.h"
#include "message.h"

static int messages_shown = 0;

static void count_message(const char *)
{
    messages_shown++;
}

static int entity_count(const Map &map)
{
    int count = 0;
    for (const Layer &layer : map.layers)
        count += layer.entity_count;
    return count;
}

// A benchmark of a level the reader does not take whole would measure the
// wrong thing.
static bool loads_whole(benchmark::State &state, const std::string &file)
{
    messages_shown = 0;
    Map map;
    load_map(map, file.c_str());
    bool whole = messages_shown == 0 && entity_count(map) == state.range(0);
    free_map(map);
    if (!whole)
        state.SkipWithError("the generated level does not load whole");
    return whole;
}

static void game_floor(benchmark::State &state)
{
    generated_level::floor_alone(state);
}
BENCHMARK(game_floor)
    ->Arg(1000)->Arg(100000)->Arg(1000000)
    ->UseManualTime()->Unit(benchmark::kMillisecond);

static void game_load_map(benchmark::State &state)
{
    show_message = count_message;
    if (!loads_whole(state, generated_level::level_file(static_cast<int>(state.range(0)))))
        return;
    Map map;
    generated_level::compare_with_floor(
        state, sizeof(Entity), [&](const char *file) { load_map(map, file); }, [&] { free_map(map); });
}
BENCHMARK(game_load_map)
    ->Arg(1000)->Arg(100000)->Arg(1000000)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
