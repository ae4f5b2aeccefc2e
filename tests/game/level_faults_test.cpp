// Bad level files as the game meets them: a header or a tileset name of
// 10,000 characters, a file cut short after any of its tokens, numbers far
// beyond 32 bits, a count of two billion in a small file, entities with a
// frame count of 0 or -5, and random bytes. Each ends in a clear message or
// the documented reading, with the entities read whole, and the game plays
// whatever was read.
#include <allegro.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "frame.h"
#include "game.h"
#include "message.h"
#include "screen_size.h"

namespace {

std::vector<std::string> messages;

void record_message(const char *text)
{
    messages.push_back(text);
}

// A fresh folder, the reader's messages collected, and the level released,
// however a test ends.
struct LevelFaults : testing::Test {
    std::filesystem::path folder;
    Map map;
    void (*saved_show_message)(const char *) = nullptr;

    void SetUp() override
    {
        char pattern[] = "/tmp/tarrow_faultsXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        saved_show_message = show_message;
        show_message = record_message;
        messages.clear();
    }
    void TearDown() override
    {
        free_map(map);
        show_message = saved_show_message;
        std::filesystem::remove_all(folder);
    }

    std::string file() const { return (folder / "map.txt").string(); }

    // Writes text as map.txt and reads it into map, with no messages from before.
    void load(const std::string &text)
    {
        free_map(map);
        messages.clear();
        std::ofstream(file(), std::ios::binary) << text;
        load_map(map, file().c_str());
    }

    std::vector<int> entity_counts() const
    {
        std::vector<int> counts;
        for (const Layer &layer : map.layers)
            counts.push_back(layer.entity_count);
        return counts;
    }

    void expect_every_layer_has_an_array() const
    {
        for (int i = 0; i < layer_count; i++)
            EXPECT_NE(map.layers[i].entities, nullptr) << "layer " << i;
    }

    // Runs a few passes of the game over what was read.
    void play(int passes)
    {
        ScreenSize screen(800, 600);
        BITMAP *dest = create_bitmap(800, 600);
        for (int pass = 0; pass < passes; pass++) {
            update_pass(map, 0.01f);
            draw_pass(map, dest, camera_x, camera_y, 0.01f);
        }
        destroy_bitmap(dest);
    }
};

const std::string stop_note = ". Reading stops here; the game runs with what was read before.";

bool ends_with(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One line per entity, every field the file gives.
std::string entity_dump(const Map &map)
{
    std::ostringstream text;
    for (int i = 0; i < layer_count; i++) {
        for (int32_t j = 0; j < map.layers[i].entity_count; j++) {
            const Entity &e = map.layers[i].entities[j];
            text << i << " " << j << " " << e.type << " " << e.x << " " << e.y << " " << e.frames;
            for (int32_t k = 0; k < e.frames; k++)
                text << " " << e.setx[k] << " " << e.sety[k] << " " << e.sizex[k] << " " << e.sizey[k];
            text << " " << e.d1 << " " << e.d2 << " " << e.d3 << " " << e.d4 << "\n";
        }
    }
    return text.str();
}

}  // namespace

TEST_F(LevelFaults, HeaderOfTenThousandCharactersIsAWrongHeaderAndTheRestLoads)
{
    const std::string rest = "\ntiles.bmp\n1\n1 64 320 1 0 0 32 32 0 0 0 0\n0\n0\n0\n0\n";
    for (const std::string &header : {std::string(10000, 'x'), "001" + std::string(9997, '1')}) {
        load(header + rest);
        EXPECT_EQ(messages, std::vector<std::string>{"Error! Wrong file format!"});
        EXPECT_STREQ(map.tileset_name, "tiles.bmp");
        EXPECT_EQ(entity_counts(), (std::vector<int>{1, 0, 0, 0, 0}));
    }
}

TEST_F(LevelFaults, TilesetNameOfTenThousandCharactersIsCutToFitAndReadingGoesOn)
{
    load("001\n" + std::string(10000, 'n') + "\n1\n1 64 320 1 0 0 32 32 0 0 0 0\n0\n0\n0\n0\n");
    EXPECT_EQ(messages, std::vector<std::string>{
                            file() + ", line 2: the tileset name has 10000 characters, more than "
                                     "the 31 the game can hold. It is cut to \"" +
                            std::string(31, 'n') + "\"."});
    EXPECT_EQ(map.tileset_name, std::string(31, 'n'));
    EXPECT_EQ(entity_counts(), (std::vector<int>{1, 0, 0, 0, 0}));
}

// A small level as tokens, each with the number of entities (per layer)
// that are whole once the file holds every token up to and including it.
struct TokenedLevel {
    std::vector<std::string> tokens;
    std::vector<std::vector<int>> whole_after;
    std::vector<int> whole = {0, 0, 0, 0, 0};

    void add(const std::string &token)
    {
        tokens.push_back(token);
        whole_after.push_back(whole);
    }
    void add_entity(const std::string &entity, int layer)
    {
        std::istringstream words(entity);
        std::vector<std::string> parts;
        for (std::string word; words >> word;)
            parts.push_back(word);
        for (size_t n = 0; n + 1 < parts.size(); n++)
            add(parts[n]);
        whole[layer]++;
        add(parts.back());
    }
};

// Layer 0: a block and a walker with two frames; layer 2: a player.
TokenedLevel small_level()
{
    TokenedLevel level;
    level.add("001");
    level.add("tiles.bmp");
    level.add("2");
    level.add_entity("1 64 320 1 0 0 32 32 0.5 0 0 0", 0);
    level.add_entity("2 96.5 -320 2 0 0 32 32 32 0 32 32 1 1 0 1", 0);
    level.add("0");
    level.add("1");
    level.add_entity("0 10 20 1 0 32 24 40 0 0 0 0", 2);
    level.add("0");
    level.add("0");
    return level;
}

TEST_F(LevelFaults, FileCutShortAfterAnyTokenKeepsTheWholeEntitiesAndPlaysThem)
{
    const TokenedLevel level = small_level();
    std::string full_text;
    for (const std::string &token : level.tokens)
        full_text += token + "\n";
    load(full_text);
    ASSERT_TRUE(messages.empty());
    const std::string full_dump = entity_dump(map);

    for (size_t kept_tokens = 1; kept_tokens < level.tokens.size(); kept_tokens++) {
        for (bool final_line_break : {true, false}) {
            SCOPED_TRACE("cut after token " + std::to_string(kept_tokens) +
                         (final_line_break ? " and its line break" : ""));
            std::string text;
            for (size_t n = 0; n < kept_tokens; n++)
                text += level.tokens[n] + "\n";
            if (!final_line_break)
                text.pop_back();
            load(text);

            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].rfind(file() + ", line ", 0), 0u) << messages[0];
            EXPECT_TRUE(ends_with(messages[0], stop_note))
                << messages[0];
            const std::vector<int> &whole = level.whole_after[kept_tokens - 1];
            EXPECT_EQ(entity_counts(), whole);
            expect_every_layer_has_an_array();
            std::string dump = entity_dump(map);
            EXPECT_EQ(dump, full_dump.substr(0, dump.size()));
            play(3);
        }
    }
}

TEST_F(LevelFaults, NumbersFarBeyondThirtyTwoBitsStopReadingWithTheirPlace)
{
    struct Case {
        const char *entity;  // layer 0's only entity
        const char *expected;
    } cases[] = {
        {"99999999999999999999 64 320 1 0 0 32 32 0 0 0 0",
         "line 4: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"99999999999999999999\", which is out of range"},
        {"1 64 320 1 0 0 -4294967296 32 0 0 0 0",
         "line 4: expected the sizex value of frame #0 of entity #0 of layer #0 (a whole "
         "number) but found \"-4294967296\", which is out of range"},
        {"1 1e400 320 1 0 0 32 32 0 0 0 0",
         "line 4: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"1e400\", which is out of range"},
        {"1 64 320 1 0 0 32 32 0 0 -340282366920938463463374607431768211456 0",
         "line 4: expected the d3 value of entity #0 of layer #0 (a number) but found "
         "\"-340282366920938463463374607431768211456\", which is out of range"},
    };
    for (const Case &c : cases) {
        load(std::string("001\ntiles.bmp\n1\n") + c.entity + "\n0\n0\n0\n0\n");
        EXPECT_EQ(messages, std::vector<std::string>{file() + ", " + c.expected + stop_note});
        EXPECT_EQ(entity_counts(), (std::vector<int>{0, 0, 0, 0, 0}));
        expect_every_layer_has_an_array();
    }
}

// The count cannot make the game allocate for two billion entities (such an
// allocation would fail, and the entities before it would be lost): the
// entities the file holds are read and the reading stops where they end.
TEST_F(LevelFaults, CountOfTwoBillionInAOneKilobyteFileKeepsTheEntitiesItHolds)
{
    std::string text = "001\ntiles.bmp\n2000000000\n";
    int entities = 0;
    for (; text.size() < 950; entities++)
        text += "1 " + std::to_string(32 * entities) + " 320 1 0 0 32 32 0 0 0 0\n";
    ASSERT_LT(text.size(), 1024u);

    auto start = std::chrono::steady_clock::now();
    load(text);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(messages, std::vector<std::string>{
                            file() + ", line " + std::to_string(3 + entities) +
                            ": expected the type of entity #" + std::to_string(entities) +
                            " of layer #0 (a whole number) but found the end of the file" +
                            stop_note});
    ASSERT_EQ(entity_counts(), (std::vector<int>{entities, 0, 0, 0, 0}));
    EXPECT_FLOAT_EQ(map.layers[0].entities[entities - 1].x, 32.0f * (entities - 1));
    EXPECT_LT(seconds, 1.0) << "a kilobyte takes no time to read";
}

// Such entities have no box: nothing collides with them and nothing draws them.
TEST_F(LevelFaults, FrameCountOfZeroOrMinusFiveGivesAnEntityWithoutFramesThatThePassesSkip)
{
    load("001 tiles.bmp 3\n"
         "0 100 100 -5 0 0 0 0\n"
         "2 200 100 0 1 0 0 1\n"
         "1 100 132 1 0 0 32 32 0 0 0 0\n"
         "0 0 0 0\n");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(entity_counts(), (std::vector<int>{3, 0, 0, 0, 0}));
    EXPECT_EQ(map.layers[0].entities[0].frames, -5);
    EXPECT_EQ(map.layers[0].entities[1].frames, 0);
    for (int j = 0; j < 2; j++) {
        const Entity &e = map.layers[0].entities[j];
        EXPECT_EQ(e.setx, nullptr);
        EXPECT_EQ(e.sizey, nullptr);
        EXPECT_FALSE(has_box(e));
    }
    play(100);
    EXPECT_FLOAT_EQ(map.layers[0].entities[2].x, 100) << "the block stays where it is";
    EXPECT_FLOAT_EQ(map.layers[0].entities[2].y, 132);
}

// Random bytes, NULs included, now and then after the start of a level.
TEST_F(LevelFaults, RandomBytesGiveMessagesAndAPlayableLevel)
{
    const std::string level_start = "001\ntiles.bmp\n1\n1 64 320 1 0 0 32 32 0 0 0 0\n";
    for (uint32_t seed = 1; seed <= 100 && !HasFailure(); seed++) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        std::string text = seed % 2 ? level_start : "";
        size_t size = text.size() + rng() % 2000;
        while (text.size() < size)
            text += static_cast<char>(rng() % 8 == 0 ? 0 : rng());
        load(text);

        EXPECT_FALSE(messages.empty());
        EXPECT_LE(messages.size(), 3u) << "the header, the tileset name and one stop at most";
        expect_every_layer_has_an_array();
        play(3);
    }
}
