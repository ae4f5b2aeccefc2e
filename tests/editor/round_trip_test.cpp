// The round-trip property over generated levels: whatever level the editor
// holds, saving it and reading the file back gives the same tiles (d values
// rounded to six significant digits, a type outside 0..3 set to 0 with its
// message), and saving that again writes the same bytes. A failure names its
// seed; the same seed makes the same level again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "level_file_fixture.h"
#include "map.h"
#include "random_level.h"

const uint32_t seeds = 300;

// Every save is flushed to the disk: the files go to a folder in memory
// where there is one, so that hundreds of saves stay quick.
struct RoundTripTest : LevelFileTest {
    void SetUp() override
    {
        LevelFileTest::SetUp();
        char in_memory[] = "/dev/shm/round_trip_test.XXXXXX";
        if (mkdtemp(in_memory)) {
            std::filesystem::remove_all(folder);
            folder = in_memory;
        }
    }
};

// Sets every type outside 0..3 to 0, as reading does, and returns the
// messages reading gives for them, in file order.
static std::vector<std::string> correct_types(Map &map)
{
    std::vector<std::string> messages;
    for (int i = 0; i < layer_count; i++) {
        for (int32_t j = 0; j < map.layers[i].tile_count; j++) {
            Tile &tile = map.layers[i].tiles[j];
            if (tile.type >= 0 && tile.type <= 3)
                continue;
            tile.type = 0;
            messages.push_back("Tile #" + std::to_string(j) + " of layer #" + std::to_string(i) +
                               " uses a not existing type. Its type will be set to 0.");
        }
    }
    return messages;
}

TEST_F(RoundTripTest, SavedLevelReadsBackAsWrittenAndSavesAgainByteForByte)
{
    const std::string file = path("map.txt");
    for (uint32_t seed = 1; seed <= seeds && !HasFailure(); seed++) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Map generated, reread, reread_again;
        make_random_level(generated, seed);
        save_map(generated, file.c_str());
        const std::string first = read_file(file);

        shown_messages.clear();
        load_map(reread, file.c_str());
        round_d_values(generated);
        if (!generated.tileset_name[0])
            strcpy(generated.tileset_name, "tileset.bmp");
        EXPECT_EQ(shown_messages, correct_types(generated));
        EXPECT_EQ(tile_dump(reread), tile_dump(generated));

        save_map(reread, file.c_str());
        const std::string second = read_file(file);
        save_map(generated, path("corrected.txt").c_str());
        EXPECT_EQ(second, read_file(path("corrected.txt")));
        if (shown_messages.empty()) {
            EXPECT_EQ(second, first) << "save, load, save changed the file";
        }

        shown_messages.clear();
        load_map(reread_again, file.c_str());
        EXPECT_TRUE(shown_messages.empty());
        save_map(reread_again, file.c_str());
        EXPECT_EQ(read_file(file), second) << "a level read back no longer saves as itself";

        free_map(generated);
        free_map(reread);
        free_map(reread_again);
    }
}
