// Writes generated levels with the editor's own writer, for the game's
// round-trip test: for each seed, level_<seed>.txt as save_map writes it and
// level_<seed>.tiles, the dump of the tiles that file holds (d values as
// written, types as they were, an empty tileset name as the writer's
// default).
//
//   write_random_levels <folder> <first seed> <count>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "map.h"
#include "message.h"
#include "random_level.h"

static void fail_on_message(const char *text)
{
    fprintf(stderr, "write_random_levels: %s\n", text);
    exit(1);
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: write_random_levels <folder> <first seed> <count>\n");
        return 2;
    }
    show_message = fail_on_message;
    const std::string folder = argv[1];
    const uint32_t first = strtoul(argv[2], nullptr, 10);
    const uint32_t count = strtoul(argv[3], nullptr, 10);
    for (uint32_t seed = first; seed < first + count; seed++) {
        const std::string stem = folder + "/level_" + std::to_string(seed);
        Map level;
        make_random_level(level, seed);
        save_map(level, (stem + ".txt").c_str());
        round_d_values(level);
        if (!level.tileset_name[0])
            strcpy(level.tileset_name, "tileset.bmp");
        std::ofstream dump(stem + ".tiles", std::ios::binary);
        dump << tile_dump(level);
        if (!dump.flush()) {
            fprintf(stderr, "write_random_levels: cannot write %s.tiles\n", stem.c_str());
            return 1;
        }
        free_map(level);
    }
    return 0;
}
