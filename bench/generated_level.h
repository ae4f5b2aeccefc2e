// The level files the load benchmarks of both programs read, and the floor
// that every reader of them is measured against.
//
// The editor's and the game's benchmarks are separate programs (their
// libraries share names), so both include this header: they read the very
// same text. A level is generated from a fixed seed, laid out as the editor
// saves it (one token per line, d1 to d4 with six significant digits), with
// every type, one to six frames per tile and fractional d values, spread
// over all five layers.
//
// The floor is what no reader can avoid: reading the file's bytes into
// memory and splitting them into whitespace-separated tokens, without
// converting any number.
//
// The level format asks for five heap arrays per tile (the tile itself in
// its layer's array, and four frame arrays), so a reader also pays for the
// allocations; allocating the same arrays alone, with nothing read, shows
// what part of the reader's time that is.
//
// compare_with_floor times the floor, the allocations alone and a reader one
// after the other in every iteration, so that all see the same machine at
// the same moment, and reports the reader's time, its time per tile and the
// ratios to the floor. Times are the thread's processor time. Releasing
// what was built is not timed, and after it the heap is trimmed (untimed
// too): each iteration starts like a fresh program, and the clean-up of one
// iteration never lands in the timed part of the next.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/stat.h>
#include <time.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace generated_level {

const int level_layers = 5;

// A small fixed-seed generator (xorshift), so that both programs get the
// same text on every machine.
struct Numbers {
    uint64_t state = 0x9e3779b97f4a7c15u;

    uint32_t below(uint32_t limit)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 32) % limit;
    }
};

inline void put_int(std::string &out, int32_t value)
{
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    out += '\n';
}

inline void put_decimal(std::string &out, float value)
{
    const int significant_digits = 6;
    char digits[32];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                     std::chars_format::general, significant_digits)
                           .ptr);
    out += '\n';
}

// The frame count of every tile, layer by layer.
using LevelShape = std::vector<std::vector<int32_t>>;

inline void put_tile(std::string &out, Numbers &numbers, int32_t index_in_layer,
                     std::vector<int32_t> &frame_counts)
{
    const int32_t tile_size = 32;
    const int32_t tiles_per_row = 2048;
    const uint32_t type_weights = 20;  // 1 in 20 a player, 13 blocks, 4 walkers, 2 boards
    uint32_t kind = numbers.below(type_weights);
    int32_t type = kind == 0 ? 0 : kind < 14 ? 1 : kind < 18 ? 2 : 3;
    put_int(out, type);
    put_int(out, index_in_layer % tiles_per_row * tile_size - 512);
    put_int(out, index_in_layer / tiles_per_row * tile_size - 256);
    int32_t frames = 1 + static_cast<int32_t>(numbers.below(6));
    put_int(out, frames);
    frame_counts.push_back(frames);
    for (int32_t k = 0; k < frames; k++) {
        put_int(out, static_cast<int32_t>(numbers.below(16)) * tile_size);
        put_int(out, static_cast<int32_t>(numbers.below(16)) * tile_size);
        put_int(out, 16 * (1 + static_cast<int32_t>(numbers.below(3))));
        put_int(out, 16 * (1 + static_cast<int32_t>(numbers.below(3))));
    }
    put_decimal(out, (static_cast<float>(numbers.below(100000)) - 50000) / 64);
    put_decimal(out, static_cast<float>(numbers.below(1000)) / 1000);
    put_decimal(out, static_cast<float>(numbers.below(500)));
    put_decimal(out, static_cast<float>(numbers.below(7)) * 1e-5f);
}

// The text of a level of the given number of tiles, the first layers taking
// one tile more where the tiles do not divide evenly.
inline std::string level_text(int tiles, LevelShape &shape)
{
    Numbers numbers;
    std::string out = "001\ntiles.bmp\n";
    shape.assign(level_layers, {});
    for (int i = 0; i < level_layers; i++) {
        int32_t count = tiles / level_layers + (i < tiles % level_layers ? 1 : 0);
        put_int(out, count);
        for (int32_t j = 0; j < count; j++)
            put_tile(out, numbers, j, shape[i]);
    }
    return out;
}

// The shape of the level of the given size, known once its file is written.
inline LevelShape &shape_of(int tiles)
{
    static std::map<int, LevelShape> shapes;
    return shapes[tiles];
}

inline std::string &folder()
{
    static std::string name;
    return name;
}

inline void remove_folder()
{
    std::filesystem::remove_all(folder());
}

// The level of the given size as a file in a temporary folder of its own,
// written once per run and removed at exit.
inline std::string level_file(int tiles)
{
    if (folder().empty()) {
        char name[] = "/tmp/generated_level.XXXXXX";
        if (!mkdtemp(name))
            abort();
        folder() = name;
        atexit(remove_folder);
    }
    std::string file = folder() + "/map" + std::to_string(tiles) + ".txt";
    if (std::filesystem::exists(file))
        return file;
    std::string text = level_text(tiles, shape_of(tiles));
    FILE *out = fopen(file.c_str(), "wb");
    if (!out || fwrite(text.data(), 1, text.size(), out) != text.size() || fclose(out) != 0)
        abort();
    return file;
}

inline bool is_space(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

// Reads the file into an uninitialised buffer of its size, splits it into
// tokens and returns how many there were.
inline size_t read_and_split(const char *file_name)
{
    FILE *file = fopen(file_name, "rb");
    struct stat about;
    if (!file || fstat(fileno(file), &about) != 0)
        abort();
    size_t size = static_cast<size_t>(about.st_size);
    std::unique_ptr<char[]> bytes(new char[size]);
    size = fread(bytes.get(), 1, size, file);
    fclose(file);

    size_t tokens = 0;
    const char *p = bytes.get();
    const char *end = p + size;
    for (;;) {
        while (p < end && is_space(*p))
            p++;
        if (p == end)
            break;
        const char *start = p;
        while (p < end && !is_space(*p))
            p++;
        benchmark::DoNotOptimize(start);
        tokens++;
    }
    return tokens;
}

// Seconds of processor time this thread has used, in the kernel (page
// faults, file reading) as well as in the program. On a shared machine it
// counts only this thread's work, where the wall clock would count waiting.
inline double thread_seconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double ns_per_tile(const benchmark::State &state, double seconds)
{
    return seconds * 1e9 / static_cast<double>(state.iterations()) /
           static_cast<double>(state.range(0));
}

// Allocates what a reader of the level builds: per layer an array of
// record_size bytes per tile, per tile four frame arrays. Returns the
// blocks, to be released untimed.
inline std::vector<void *> allocate_level(const LevelShape &shape, size_t record_size)
{
    std::vector<void *> blocks;
    for (const std::vector<int32_t> &frame_counts : shape) {
        blocks.push_back(malloc(record_size * frame_counts.size()));
        for (int32_t frames : frame_counts) {
            for (int array = 0; array < 4; array++)
                blocks.push_back(malloc(sizeof(int32_t) * static_cast<size_t>(frames)));
        }
    }
    return blocks;
}

inline void release_level(std::vector<void *> &blocks)
{
    for (void *block : blocks)
        free(block);
    blocks.clear();
    malloc_trim(0);
}

// The floor alone, on the level of state.range(0) tiles.
inline void floor_alone(benchmark::State &state)
{
    std::string file = level_file(static_cast<int>(state.range(0)));
    double seconds = 0;
    for (auto _ : state) {
        double start = thread_seconds();
        benchmark::DoNotOptimize(read_and_split(file.c_str()));
        double took = thread_seconds() - start;
        seconds += took;
        state.SetIterationTime(took);
    }
    state.counters["ns_per_tile"] = ns_per_tile(state, seconds);
}

// load(file) reads the level of state.range(0) tiles into records of
// record_size bytes, release() frees it; register with UseManualTime so that
// the reported time is the reader's.
template <typename Load, typename Release>
void compare_with_floor(benchmark::State &state, size_t record_size, Load load, Release release)
{
    int tiles = static_cast<int>(state.range(0));
    std::string file = level_file(tiles);
    const LevelShape &shape = shape_of(tiles);
    double reader_seconds = 0;
    double floor_seconds = 0;
    double allocation_seconds = 0;
    std::vector<void *> blocks;
    for (auto _ : state) {
        double floor_start = thread_seconds();
        benchmark::DoNotOptimize(read_and_split(file.c_str()));
        double allocation_start = thread_seconds();
        blocks = allocate_level(shape, record_size);
        double allocation_end = thread_seconds();
        release_level(blocks);
        double reader_start = thread_seconds();
        load(file.c_str());
        double reader_end = thread_seconds();
        release();
        malloc_trim(0);
        floor_seconds += allocation_start - floor_start;
        allocation_seconds += allocation_end - allocation_start;
        reader_seconds += reader_end - reader_start;
        state.SetIterationTime(reader_end - reader_start);
    }
    state.counters["ns_per_tile"] = ns_per_tile(state, reader_seconds);
    state.counters["floor_ns_per_tile"] = ns_per_tile(state, floor_seconds);
    state.counters["x_floor"] = reader_seconds / floor_seconds;
    state.counters["alloc_x_floor"] = allocation_seconds / floor_seconds;
}

}  // namespace generated_level
