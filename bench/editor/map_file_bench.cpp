// Reading and saving level files of 100 and 10,000 tiles, against only
// reading the same bytes from the file. Saving flushes every file to the
// disk, so its figures depend on the disk more than on the code.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "map.h"
#include "message.h"

static std::string folder;

static void ignore_message(const char *) {}

static void remove_folder()
{
    std::filesystem::remove_all(folder);
}

// A saved level of the given number of two-frame tiles spread over the layers.
static std::string level_file(int tiles)
{
    if (folder.empty()) {
        char name[] = "/tmp/map_file_bench.XXXXXX";
        folder = mkdtemp(name);
        atexit(remove_folder);
    }
    std::string file = folder + "/map" + std::to_string(tiles) + ".txt";
    Map map;
    strcpy(map.tileset_name, "tiles.bmp");
    for (int i = 0; i < tiles; i++)
        add(map.layers[i % layer_count], Tile(i * 32, i % 19 * 24, 1, 0.5f, 250, 0, 0, 2));
    save_map(map, file.c_str());
    free_map(map);
    return file;
}

static void reading_the_bytes(benchmark::State &state)
{
    std::string file = level_file(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        FILE *in = fopen(file.c_str(), "rb");
        std::string text;
        char chunk[65536];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, in)) > 0)
            text.append(chunk, n);
        fclose(in);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(reading_the_bytes)->Arg(100)->Arg(10000);

static void loading_a_level(benchmark::State &state)
{
    std::string file = level_file(static_cast<int>(state.range(0)));
    show_message = ignore_message;
    Map map;
    for (auto _ : state) {
        load_map(map, file.c_str());
        benchmark::DoNotOptimize(map.layers[0].tiles);
    }
    free_map(map);
}
BENCHMARK(loading_a_level)->Arg(100)->Arg(10000);

static void saving_a_level(benchmark::State &state)
{
    std::string file = level_file(static_cast<int>(state.range(0)));
    Map map;
    load_map(map, file.c_str());
    for (auto _ : state)
        save_map(map, file.c_str());
    free_map(map);
}
BENCHMARK(saving_a_level)->Arg(100)->Arg(10000);
