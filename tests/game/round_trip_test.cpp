// The game reads every tile the editor writes. Levels generated with every
// kind of value the editor can hold are saved by the editor's own writer
// (the write_random_levels tool, with a dump of the tiles each file holds),
// then loaded with the game's load_map and compared with that dump, entity
// by entity: the game holds x and y as the floats nearest to the editor's
// integers, everything else as written. A failure names its seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game.h"
#include "message.h"

namespace {

const int seeds = 300;

std::vector<std::string> messages;

void record_message(const char *text)
{
    messages.push_back(text);
}

std::string float_bits(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    char text[16];
    snprintf(text, sizeof text, "%08x", bits);
    return text;
}

// The editor's dump with x and y turned into the floats the game should hold.
std::string as_the_game_holds_it(const std::string &editor_dump, std::string &tileset_name)
{
    std::istringstream lines(editor_dump);
    std::getline(lines, tileset_name);
    std::string text, line;
    while (std::getline(lines, line)) {
        std::istringstream tokens(line);
        std::string layer, index, type;
        long long x, y;
        tokens >> layer >> index >> type >> x >> y;
        text += layer + " " + index + " " + type + " " + float_bits(static_cast<float>(x)) + " " +
                float_bits(static_cast<float>(y)) + tokens.str().substr(tokens.tellg()) + "\n";
    }
    return text;
}

// Every entity in the same form: layer, index, type, x and y as float bits,
// frames, the frame values, d1 to d4 as float bits.
std::string entity_dump(const Map &map)
{
    std::string text;
    for (int i = 0; i < layer_count; i++) {
        const Layer &layer = map.layers[i];
        for (int32_t j = 0; j < layer.entity_count; j++) {
            const Entity &e = layer.entities[j];
            text += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(e.type) +
                    " " + float_bits(e.x) + " " + float_bits(e.y) + " " +
                    std::to_string(e.frames);
            for (int32_t k = 0; k < e.frames; k++) {
                text += " " + std::to_string(e.setx[k]) + " " + std::to_string(e.sety[k]) + " " +
                        std::to_string(e.sizex[k]) + " " + std::to_string(e.sizey[k]);
            }
            text += " " + float_bits(e.d1) + " " + float_bits(e.d2) + " " + float_bits(e.d3) +
                    " " + float_bits(e.d4) + "\n";
        }
    }
    return text;
}

std::string read_file(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TEST(RoundTrip, GameReadsEveryTileTheEditorWrote)
{
    // The editor's writer flushes every file to the disk: a folder in memory keeps it quick.
    char in_memory[] = "/dev/shm/tarrow_round_trip.XXXXXX";
    char on_disk[] = "/tmp/tarrow_round_trip.XXXXXX";
    const char *made = mkdtemp(in_memory);
    if (!made)
        made = mkdtemp(on_disk);
    ASSERT_NE(made, nullptr);
    const std::string folder = made;
    const std::string command =
        std::string(WRITE_RANDOM_LEVELS) + " " + folder + " 1 " + std::to_string(seeds);
    ASSERT_EQ(system(command.c_str()), 0) << command;

    void (*saved_show_message)(const char *) = show_message;
    show_message = record_message;
    for (int seed = 1; seed <= seeds && !testing::Test::HasFailure(); seed++) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string stem = folder + "/level_" + std::to_string(seed);
        std::string name;
        const std::string expected = as_the_game_holds_it(read_file(stem + ".tiles"), name);
        messages.clear();
        Map map;
        load_map(map, (stem + ".txt").c_str());

        EXPECT_EQ(entity_dump(map), expected);
        const size_t room = tileset_name_size - 1;
        EXPECT_EQ(map.tileset_name, name.substr(0, room));
        EXPECT_EQ(messages.size(), name.size() > room ? 1u : 0u)
            << "only a name longer than the game's field is reported";
        free_map(map);
    }
    show_message = saved_show_message;
    std::filesystem::remove_all(folder);
}
