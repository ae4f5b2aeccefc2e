// Bad level files and faults at save, as the editor meets them: a header or
// a tileset name of 10,000 characters, a file cut short after any of its
// tokens, numbers far beyond 32 bits, a count of two billion in a small
// file, random bytes, and a kill in the middle of a save. Each ends in a
// clear message or a documented correction, the tiles read whole, and an
// original that the save at exit cannot lose.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "level_file_fixture.h"
#include "map.h"
#include "random_level.h"

using LevelFaultsTest = LevelFileTest;

static bool ends_with(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

static std::vector<int> tile_counts(const Map &map)
{
    std::vector<int> counts;
    for (const Layer &layer : map.layers)
        counts.push_back(layer.tile_count);
    return counts;
}

// Loads the level in file into a Map of its own and returns its tiles as
// tile_dump writes them; shown_messages holds what this load said.
static std::string load_alone(const std::string &file)
{
    shown_messages.clear();
    Map level;
    load_map(level, file.c_str());
    std::string dump = tile_dump(level);
    free_map(level);
    return dump;
}

TEST_F(LevelFaultsTest, HeaderOfTenThousandCharactersIsAWrongHeaderAndTheRestLoads)
{
    const std::string rest = "\ntiles.bmp\n1\n1 64 320 1 0 0 32 32 0 0 0 0\n0\n0\n0\n0\n";
    for (const std::string &header : {std::string(10000, 'x'), "001" + std::string(9997, '1')}) {
        load(header + rest);
        EXPECT_EQ(shown_messages, std::vector<std::string>{"Error! Wrong file format!"});
        shown_messages.clear();
        EXPECT_STREQ(map.tileset_name, "tiles.bmp");
        EXPECT_EQ(tile_counts(map), (std::vector<int>{1, 0, 0, 0, 0}));
    }
}

TEST_F(LevelFaultsTest, TilesetNameOfTenThousandCharactersIsCutReportedAndTheOriginalKept)
{
    const std::string text = "001\n" + std::string(10000, 'n') +
                             "\n1\n1 64 320 1 0 0 32 32 0 0 0 0\n0\n0\n0\n0\n";
    load(text);
    const std::string file = path("map.txt");
    EXPECT_EQ(shown_messages,
              std::vector<std::string>{
                  file + ", line 2: the tileset name \"" + std::string(40, 'n') +
                  "...\" is 10000 characters long, more than the 63 the editor can hold. The "
                  "editor keeps \"" +
                  std::string(40, 'n') +
                  "...\" and loads the tileset from that name. The original file is kept as " +
                  file + ".bak."});
    EXPECT_EQ(map.tileset_name, std::string(63, 'n'));
    EXPECT_EQ(tile_counts(map), (std::vector<int>{1, 0, 0, 0, 0}));
    EXPECT_EQ(read_file(file + ".bak"), text);
}

// A small level as tokens, each with the number of tiles (per layer) that
// are whole once the file holds every token up to and including it.
struct TokenedLevel {
    std::vector<std::string> tokens;
    std::vector<std::vector<int>> whole_after;

    void add(const std::string &token, std::vector<int> whole)
    {
        tokens.push_back(token);
        whole_after.push_back(whole);
    }
    // Adds the tile's tokens; the tile is whole after the last.
    void add_tile(const std::string &tile, std::vector<int> &whole, int layer)
    {
        std::istringstream words(tile);
        std::vector<std::string> parts;
        for (std::string word; words >> word;)
            parts.push_back(word);
        for (size_t n = 0; n + 1 < parts.size(); n++)
            add(parts[n], whole);
        whole[layer]++;
        add(parts.back(), whole);
    }
};

// Layer 0: a block and a walker with two frames; layer 2: a player.
static TokenedLevel small_level()
{
    TokenedLevel level;
    std::vector<int> whole = {0, 0, 0, 0, 0};
    level.add("001", whole);
    level.add("tiles.bmp", whole);
    level.add("2", whole);
    level.add_tile("1 64 320 1 0 0 32 32 0.5 0 0 0", whole, 0);
    level.add_tile("2 96 -320 2 0 0 32 32 32 0 32 32 1 1 0 1", whole, 0);
    level.add("0", whole);
    level.add("1", whole);
    level.add_tile("0 10 20 1 0 32 24 40 0 0 0 0", whole, 2);
    level.add("0", whole);
    level.add("0", whole);
    return level;
}

TEST_F(LevelFaultsTest, FileCutShortAfterAnyTokenKeepsTheWholeTilesAndTheOriginal)
{
    const TokenedLevel level = small_level();
    std::string full_text;
    for (const std::string &token : level.tokens)
        full_text += token + "\n";
    write_file(path("full.txt"), full_text);
    const std::string full_dump = load_alone(path("full.txt"));
    ASSERT_TRUE(shown_messages.empty());

    const std::string file = path("map.txt");
    for (size_t kept_tokens = 1; kept_tokens < level.tokens.size(); kept_tokens++) {
        for (bool final_line_break : {true, false}) {
            SCOPED_TRACE("cut after token " + std::to_string(kept_tokens) +
                         (final_line_break ? " and its line break" : ""));
            std::string text;
            for (size_t n = 0; n < kept_tokens; n++)
                text += level.tokens[n] + "\n";
            if (!final_line_break)
                text.pop_back();
            shown_messages.clear();
            std::filesystem::remove(file + ".bak");
            load(text);

            ASSERT_EQ(shown_messages.size(), 1u);
            EXPECT_EQ(shown_messages[0].rfind(file + ", line ", 0), 0u) << shown_messages[0];
            EXPECT_TRUE(ends_with(shown_messages[0],
                                  ". Reading stops here; the level keeps what was read before. "
                                  "The original file is kept as " +
                                      file + ".bak."))
                << shown_messages[0];
            EXPECT_EQ(read_file(file + ".bak"), text) << "the backup holds the original bytes";
            const std::vector<int> &whole = level.whole_after[kept_tokens - 1];
            EXPECT_EQ(tile_counts(map), whole);

            // What the save writes holds every whole tile, as the full level has it.
            save_map(map, file.c_str());
            std::string dump = load_alone(file);
            EXPECT_TRUE(shown_messages.empty());
            size_t tiles = whole[0] + whole[1] + whole[2] + whole[3] + whole[4];
            size_t start = full_dump.find('\n') + 1;
            size_t end = start;
            for (size_t line = 0; line < tiles; line++)
                end = full_dump.find('\n', end) + 1;
            EXPECT_EQ(dump.substr(dump.find('\n') + 1), full_dump.substr(start, end - start));
        }
    }
}

TEST_F(LevelFaultsTest, NumbersFarBeyondThirtyTwoBitsStopReadingWithTheirPlace)
{
    struct Case {
        const char *tile;  // layer 0's only tile
        const char *expected;
    } cases[] = {
        {"1 99999999999999999999 320 1 0 0 32 32 0 0 0 0",
         "line 4: expected the x position of tile #0 of layer #0 (a whole number from "
         "-2147483648 to 2147483647) but found \"99999999999999999999\""},
        {"1 64 320 1 0 0 -4294967296 32 0 0 0 0",
         "line 4: expected the sizex value of frame #0 of tile #0 of layer #0 (a whole number "
         "from -2147483648 to 2147483647) but found \"-4294967296\""},
        {"1 64 320 1 0 0 32 32 0 1e400 0 0",
         "line 4: expected the d2 value of tile #0 of layer #0 (a decimal number within the "
         "range of a 32-bit float) but found \"1e400\""},
        {"1 64 320 1 0 0 32 32 0 0 -340282366920938463463374607431768211456 0",
         "line 4: expected the d3 value of tile #0 of layer #0 (a decimal number within the "
         "range of a 32-bit float) but found \"-340282366920938463463374607431768211456\""},
    };
    const std::string file = path("map.txt");
    for (const Case &c : cases) {
        load(std::string("001\ntiles.bmp\n1\n") + c.tile + "\n0\n0\n0\n0\n");
        EXPECT_EQ(shown_messages,
                  std::vector<std::string>{file + ", " + c.expected +
                                           ". Reading stops here; the level keeps what was read "
                                           "before. The original file is kept as " +
                                           file + ".bak."});
        EXPECT_EQ(tile_counts(map), (std::vector<int>{0, 0, 0, 0, 0}));
        shown_messages.clear();
        std::filesystem::remove(file + ".bak");
    }
}

// The count cannot make the editor allocate for two billion tiles (such an
// allocation would fail, and the tiles before it would be lost): the
// tiles the file holds are read and the reading stops where they end.
TEST_F(LevelFaultsTest, CountOfTwoBillionInAOneKilobyteFileKeepsTheTilesItHolds)
{
    std::string text = "001\ntiles.bmp\n2000000000\n";
    int tiles = 0;
    for (; text.size() < 950; tiles++)
        text += "1 " + std::to_string(32 * tiles) + " 320 1 0 0 32 32 0 0 0 0\n";
    ASSERT_LT(text.size(), 1024u);

    auto start = std::chrono::steady_clock::now();
    load(text);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::string file = path("map.txt");
    EXPECT_EQ(shown_messages,
              std::vector<std::string>{
                  file + ", line " + std::to_string(3 + tiles) + ": expected the type of tile #" +
                  std::to_string(tiles) +
                  " of layer #0 (a whole number) but the file ends after this line. Reading "
                  "stops here; the level keeps what was read before. The original file is kept "
                  "as " +
                  file + ".bak."});
    ASSERT_EQ(tile_counts(map), (std::vector<int>{tiles, 0, 0, 0, 0}));
    EXPECT_EQ(map.layers[0].tiles[tiles - 1].x, 32 * (tiles - 1));
    EXPECT_LT(seconds, 1.0) << "a kilobyte takes no time to read";
}

// Random bytes, NULs included, now and then among the tokens of a level.
TEST_F(LevelFaultsTest, RandomBytesNeverLoseTheFileAndSaveAWellFormedLevel)
{
    const std::string file = path("map.txt");
    const std::string level_start = "001\ntiles.bmp\n1\n1 64 320 1 0 0 32 32 0 0 0 0\n";
    for (uint32_t seed = 1; seed <= 100 && !HasFailure(); seed++) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        std::string text = seed % 2 ? level_start : "";
        size_t size = text.size() + rng() % 2000;
        while (text.size() < size)
            text += static_cast<char>(rng() % 8 == 0 ? 0 : rng());
        shown_messages.clear();
        for (const std::string &name : files())
            std::filesystem::remove(path(name));
        load(text);

        ASSERT_FALSE(shown_messages.empty());
        EXPECT_EQ(read_file(file + ".bak"), text);
        save_map(map, file.c_str());
        load_alone(file);
        EXPECT_TRUE(shown_messages.empty()) << "the saved level is not well formed";
    }
}

// A child saves two levels in turn and is killed at random moments: the
// level file is always one of them whole, it loads without a message, and
// nothing else left in the folder has a name that either program reads.
TEST_F(LevelFaultsTest, KillDuringSaveLeavesALevelThatLoadsWholeWithoutAMessage)
{
    Map levels[2];
    std::string dumps[2];
    for (int which = 0; which < 2; which++) {
        strcpy(levels[which].tileset_name, "tiles.bmp");
        for (int i = 0; i < 5000; i++)
            add(levels[which].layers[i % layer_count], Tile(i, which, i % 4, 0.25f, 0, 0, 0, 2));
        dumps[which] = tile_dump(levels[which]);
    }
    const std::string file = path("map.txt");
    save_map(levels[0], file.c_str());
    std::mt19937 rng(7);
    for (int round = 0; round < 100 && !HasFailure(); round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        pid_t saver = fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            for (int n = 0;; n++)
                save_map(levels[n % 2], file.c_str());
        }
        usleep(rng() % 30000);
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);

        std::string dump = load_alone(file);
        EXPECT_TRUE(shown_messages.empty());
        EXPECT_TRUE(dump == dumps[0] || dump == dumps[1]) << "map.txt holds neither level";
        for (const std::string &name : files()) {
            bool temporary = name.size() == strlen("map.txt.") + 6 && name.rfind("map.txt.", 0) == 0 &&
                             name.find_first_of("./", strlen("map.txt.")) == std::string::npos;
            EXPECT_TRUE(name == "map.txt" || temporary) << name;
        }
    }
    free_map(levels[0]);
    free_map(levels[1]);
}
