// Reading and writing level files: the writer's layout byte for byte, the
// layouts readers must also take, number forms, the two corrections with
// their messages, and the faults that stop reading without losing the file.
#include <gtest/gtest.h>

#include <allegro.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "level_file_fixture.h"
#include "map.h"

// One tile as one line of tokens: type, x, y, one 32x32 frame, d1..d4 all 0.
static std::string block(int type, int x, int frames = 1)
{
    std::string text =
        std::to_string(type) + " " + std::to_string(x) + " 320 " + std::to_string(frames);
    for (int k = 0; k < (frames < 1 ? 1 : frames); k++)
        text += " 0 0 32 32";
    return text + " 0 0 0 0\n";
}

// A level file with the given tiles per layer.
static std::string level_with(const std::vector<std::vector<std::string>> &layers)
{
    std::string text = "001\ntiles.bmp\n";
    for (const auto &tiles : layers) {
        text += std::to_string(tiles.size()) + "\n";
        for (const std::string &tile : tiles)
            text += tile;
    }
    return text;
}

static std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

using MapFileTest = LevelFileTest;

TEST_F(MapFileTest, WritesTheWorkedExampleByteForByte)
{
    strcpy(map.tileset_name, "tiles.bmp");
    add(map.layers[0], Tile(64, 320, 1, 0, 0, 0, 0, 1));
    EXPECT_EQ(saved(), fixture("worked_example.txt"));
}

TEST_F(MapFileTest, ReadsTheWorkedExampleAsOneBlockTile)
{
    load(fixture("worked_example.txt"));
    EXPECT_TRUE(shown_messages.empty());
    EXPECT_STREQ(map.tileset_name, "tiles.bmp");
    EXPECT_EQ(map.tileset, nullptr);  // there is no tiles.bmp
    ASSERT_EQ(map.layers[0].tile_count, 1);
    const Tile &tile = map.layers[0].tiles[0];
    EXPECT_EQ(tile.type, 1);
    EXPECT_EQ(tile.x, 64);
    EXPECT_EQ(tile.y, 320);
    ASSERT_EQ(tile.frames, 1);
    EXPECT_EQ(tile.setx[0], 0);
    EXPECT_EQ(tile.sety[0], 0);
    EXPECT_EQ(tile.sizex[0], 32);
    EXPECT_EQ(tile.sizey[0], 32);
    EXPECT_EQ(tile.d1, 0);
    for (int i = 1; i < layer_count; i++) {
        EXPECT_EQ(map.layers[i].tile_count, 0);
        EXPECT_NE(map.layers[i].tiles, nullptr) << "layer " << i << " has no array";
    }
}

TEST_F(MapFileTest, ReadsEveryFieldOfASavedLevelBackUnchanged)
{
    load(fixture("rich_level.txt"));
    ASSERT_TRUE(shown_messages.empty());
    ASSERT_EQ(map.layers[0].tile_count, 2);
    const Tile &two_frames = map.layers[0].tiles[0];
    EXPECT_EQ(two_frames.x, 100);
    EXPECT_EQ(two_frames.y, -40);
    ASSERT_EQ(two_frames.frames, 2);
    EXPECT_EQ(two_frames.setx[1], 32);
    EXPECT_EQ(two_frames.sizey[1], 48);
    EXPECT_FLOAT_EQ(two_frames.d1, 0.5f);
    EXPECT_FLOAT_EQ(two_frames.d3, -400);
    EXPECT_FLOAT_EQ(two_frames.d4, 1234.57f);
    ASSERT_EQ(map.layers[2].tile_count, 1);
    EXPECT_EQ(map.layers[2].tiles[0].x, 2147483647);
    EXPECT_EQ(map.layers[2].tiles[0].y, -2147483648);
    EXPECT_FLOAT_EQ(map.layers[2].tiles[0].d1, 1e-05f);
    EXPECT_FLOAT_EQ(map.layers[2].tiles[0].d2, 1234570);
    ASSERT_EQ(map.layers[4].tile_count, 1);
    EXPECT_EQ(map.layers[4].tiles[0].type, 3);
    EXPECT_EQ(map.layers[4].tiles[0].setx[0], 96);

    EXPECT_EQ(saved(), fixture("rich_level.txt"));
}

TEST_F(MapFileTest, EveryLayoutReadsLikeTheWritersOwn)
{
    const std::string writers = fixture("rich_level.txt");
    struct Layout {
        const char *name;
        std::string text;
    } layouts[] = {
        {"one line, single spaces", replaced(writers, "\n", " ")},
        {"CR LF line ends", replaced(writers, "\n", "\r\n")},
        {"tabs, blank lines, no final line break",
         "\n\t" + replaced(writers.substr(0, writers.size() - 1), "\n", "\n\n\t ")},
    };
    for (const Layout &layout : layouts) {
        SCOPED_TRACE(layout.name);
        Map read;
        write_file(path("map.txt"), layout.text);
        load_map(read, path("map.txt").c_str());
        save_map(read, path("map.txt").c_str());
        free_map(read);
        EXPECT_TRUE(shown_messages.empty());
        EXPECT_EQ(read_file(path("map.txt")), writers);
    }
}

TEST_F(MapFileTest, EmptyLevelIsSevenLines)
{
    strcpy(map.tileset_name, "tiles.bmp");
    EXPECT_EQ(saved(), "001\ntiles.bmp\n0\n0\n0\n0\n0\n");
}

TEST_F(MapFileTest, WritesDValuesWithSixSignificantDigits)
{
    struct Case {
        float value;
        const char *written;
    } cases[] = {
        {0, "0"},
        {0.5f, "0.5"},
        {250, "250"},
        {-400, "-400"},
        {1234.567f, "1234.57"},
        {12345.678f, "12345.7"},
        {99999.999f, "100000"},
        {0.0001f, "0.0001"},
        {0.00001f, "1e-05"},
        {999999, "999999"},
        {1000000, "1e+06"},
        {1234567, "1.23457e+06"},
    };
    strcpy(map.tileset_name, "tiles.bmp");
    add(map.layers[0], Tile(64, 320, 1, 0, 0, 0, 0, 1));
    for (const Case &c : cases) {
        map.layers[0].tiles[0].d1 = c.value;
        std::string expected = replaced(fixture("worked_example.txt"), "32\n0\n",
                                        std::string("32\n") + c.written + "\n");
        EXPECT_EQ(saved(), expected) << "d1 = " << c.value;
    }
}

TEST_F(MapFileTest, SixDigitValueReadsBackAsWritten)
{
    strcpy(map.tileset_name, "tiles.bmp");
    add(map.layers[0], Tile(64, 320, 1, 1234.567f, 0, 0, 0, 1));
    std::string first = saved();
    load_map(map, path("map.txt").c_str());
    EXPECT_EQ(map.layers[0].tiles[0].d1, 1234.57f);
    EXPECT_EQ(saved(), first);
}

TEST_F(MapFileTest, ReadsEveryDecimalForm)
{
    struct Case {
        const char *token;
        float value;
    } cases[] = {
        {"1e3", 1000},      {"-2.5E+002", -250}, {".5", 0.5f}, {"5.", 5},          {"+7", 7},
        {"1e-0005", 1e-5f}, {"-0", 0},           {"1e-50", 0}, {"0012.50", 12.5f},
    };
    for (const Case &c : cases) {
        load(replaced(fixture("worked_example.txt"), "32\n0\n",
                      std::string("32\n") + c.token + "\n"));
        EXPECT_TRUE(shown_messages.empty()) << c.token;
        ASSERT_EQ(map.layers[0].tile_count, 1) << c.token;
        EXPECT_EQ(map.layers[0].tiles[0].d1, c.value) << c.token;
    }
}

TEST_F(MapFileTest, ReadsWholeNumbersWithAnOptionalSign)
{
    struct Case {
        const char *token;
        int32_t value;
    } cases[] = {
        {"+12", 12},
        {"-12", -12},
        {"007", 7},
        {"-2147483648", -2147483647 - 1},
        {"2147483647", 2147483647},
    };
    for (const Case &c : cases) {
        load(replaced(fixture("worked_example.txt"), "\n64\n", std::string("\n") + c.token + "\n"));
        EXPECT_TRUE(shown_messages.empty()) << c.token;
        ASSERT_EQ(map.layers[0].tile_count, 1) << c.token;
        EXPECT_EQ(map.layers[0].tiles[0].x, c.value) << c.token;
    }
}

TEST_F(MapFileTest, WrongHeaderIsReportedOnceAndTheRestLoads)
{
    for (const char *header : {"002", "0010", "01", "001x", "Level"}) {
        load(header + fixture("worked_example.txt").substr(3));
        EXPECT_EQ(shown_messages, std::vector<std::string>{"Error! Wrong file format!"}) << header;
        shown_messages.clear();
        EXPECT_STREQ(map.tileset_name, "tiles.bmp");
        ASSERT_EQ(map.layers[0].tile_count, 1) << header;
        EXPECT_EQ(map.layers[0].tiles[0].x, 64);
    }
    EXPECT_EQ(files(), std::vector<std::string>{"map.txt"}) << "no backup for a header alone";
}

TEST_F(MapFileTest, MissingFileStartsAnEmptyLevelThatSavesAndReloads)
{
    load_map(map, path("map.txt").c_str());
    EXPECT_EQ(shown_messages, std::vector<std::string>{"Error! Wrong file format!"});
    EXPECT_STREQ(map.tileset_name, "");
    for (const Layer &layer : map.layers) {
        EXPECT_EQ(layer.tile_count, 0);
        EXPECT_NE(layer.tiles, nullptr);
    }
    EXPECT_TRUE(files().empty()) << "nothing to back up";

    const std::string empty_level = "001\ntileset.bmp\n0\n0\n0\n0\n0\n";
    EXPECT_EQ(saved(), empty_level);
    shown_messages.clear();
    load_map(map, path("map.txt").c_str());
    EXPECT_TRUE(shown_messages.empty());
    EXPECT_STREQ(map.tileset_name, "tileset.bmp");
    EXPECT_EQ(saved(), empty_level);
}

TEST_F(MapFileTest, FileWithoutTokensReadsLikeAMissingOne)
{
    for (const char *text : {"", "\n", "  \r\n\t\n"}) {
        load(text);
        EXPECT_EQ(shown_messages, std::vector<std::string>{"Error! Wrong file format!"});
        shown_messages.clear();
        for (const Layer &layer : map.layers)
            EXPECT_NE(layer.tiles, nullptr);
    }
    EXPECT_EQ(files(), std::vector<std::string>{"map.txt"});
}

TEST_F(MapFileTest, TypeOutsideZeroToThreeIsReportedAndSetToZero)
{
    for (int type : {7, 4, -1}) {
        load(level_with({{}, {block(1, 0), block(2, 32), block(type, 64)}, {}, {}, {}}));
        EXPECT_EQ(shown_messages,
                  std::vector<std::string>{
                      "Tile #2 of layer #1 uses a not existing type. Its type will be set to 0."})
            << "type " << type;
        shown_messages.clear();
        ASSERT_EQ(map.layers[1].tile_count, 3);
        EXPECT_EQ(map.layers[1].tiles[2].type, 0);
        EXPECT_EQ(map.layers[1].tiles[2].x, 64);
        const std::string corrected =
            level_with({{}, {block(1, 0), block(2, 32), block(0, 64)}, {}, {}, {}});
        EXPECT_EQ(saved(), replaced(corrected, " ", "\n")) << "the corrected type is saved";
    }
}

TEST_F(MapFileTest, FrameCountBelowOneIsReportedAndSetToOneWithTheFrameThatFollows)
{
    for (int frames : {0, -3}) {
        std::string tile = "1 64 320 " + std::to_string(frames) + " 8 16 24 40 0 0 0 0\n";
        load(level_with({{block(1, 0), tile}, {}, {}, {}, {}}));
        EXPECT_EQ(
            shown_messages,
            std::vector<std::string>{"Tile #1 of layer #0 uses a not existing frame number. Its "
                                     "frame number will be set to 1."})
            << "frames " << frames;
        shown_messages.clear();
        ASSERT_EQ(map.layers[0].tile_count, 2);
        const Tile &corrected = map.layers[0].tiles[1];
        ASSERT_EQ(corrected.frames, 1);
        EXPECT_EQ(corrected.setx[0], 8);
        EXPECT_EQ(corrected.sety[0], 16);
        EXPECT_EQ(corrected.sizex[0], 24);
        EXPECT_EQ(corrected.sizey[0], 40);
    }
}

TEST_F(MapFileTest, CorrectionsAreReportedInFileOrderTypeBeforeFrames)
{
    load(level_with({{block(1, 0, 0), block(9, 32, -1)}, {}, {block(-2, 0)}, {}, {}}));
    EXPECT_EQ(shown_messages,
              (std::vector<std::string>{
                  "Tile #0 of layer #0 uses a not existing frame number. Its frame number will be "
                  "set to 1.",
                  "Tile #1 of layer #0 uses a not existing type. Its type will be set to 0.",
                  "Tile #1 of layer #0 uses a not existing frame number. Its frame number will be "
                  "set to 1.",
                  "Tile #0 of layer #2 uses a not existing type. Its type will be set to 0.",
              }));
    EXPECT_EQ(files(), std::vector<std::string>{"map.txt"}) << "corrections need no backup";
}

// Two block tiles in layer 0, the other layers empty: 31 lines, one token each.
static std::vector<std::string> two_tiles()
{
    return {
        "001", "tiles.bmp", "2",
        "1", "64", "320", "1", "0", "0", "32", "32", "0", "0", "0", "0",
        "1", "96", "320", "1", "0", "0", "32", "32", "0", "0", "0", "0",
        "0", "0", "0", "0",
    };
}

TEST_F(MapFileTest, UnreadableValueStopsReadingKeepsWholeTilesAndTheOriginal)
{
    struct Case {
        const char *name;
        int line;               // the line changed; with no token the file ends before it
        const char *token;
        std::vector<int> kept;  // tiles per layer
        std::string expected;   // what follows "<file>, line "
    } cases[] = {
        {"file ends inside the last tile of a layer", 26, nullptr, {1, 0, 0, 0, 0},
         "19: expected the frame count of tile #1 of layer #0 (at most 0, since 6 values follow "
         "and a tile takes 4 per frame and 4 more) but found \"1\""},
        {"file ends before a layer", 30, nullptr, {2, 0, 0, 0, 0},
         "29: expected the tile count of layer #3 (a whole number) but the file ends after this "
         "line"},
        {"file ends after the header", 2, nullptr, {0, 0, 0, 0, 0},
         "1: expected the tileset name (a file name) but the file ends after this line"},
        {"fraction in x", 17, "12.5", {1, 0, 0, 0, 0},
         "17: expected the x position of tile #1 of layer #0 (a whole number) but found \"12.5\""},
        {"fraction in a frame value", 20, "0.5", {1, 0, 0, 0, 0},
         "20: expected the setx value of frame #0 of tile #1 of layer #0 (a whole number) but "
         "found \"0.5\""},
        {"word as a type", 4, "block", {0, 0, 0, 0, 0},
         "4: expected the type of tile #0 of layer #0 (a whole number) but found \"block\""},
        {"number above the 32-bit range", 18, "2147483648", {1, 0, 0, 0, 0},
         "18: expected the y position of tile #1 of layer #0 (a whole number from -2147483648 to "
         "2147483647) but found \"2147483648\""},
        {"number below the 32-bit range", 5, "-2147483649", {0, 0, 0, 0, 0},
         "5: expected the x position of tile #0 of layer #0 (a whole number from -2147483648 to "
         "2147483647) but found \"-2147483649\""},
        {"negative tile count", 28, "-1", {2, 0, 0, 0, 0},
         "28: expected the tile count of layer #1 (a whole number, 0 or more) but found \"-1\""},
        {"tile count larger than the file holds", 28, "2000000000", {2, 0, 0, 0, 0},
         "31: expected the frame count of tile #0 of layer #1 (a whole number) but the file ends "
         "after this line"},
        {"frame count larger than the file holds", 19, "1000000", {1, 0, 0, 0, 0},
         "19: expected the frame count of tile #1 of layer #0 (at most 2, since 12 values follow "
         "and a tile takes 4 per frame and 4 more) but found \"1000000\""},
        {"word as a d value", 13, "abc", {0, 0, 0, 0, 0},
         "13: expected the d2 value of tile #0 of layer #0 (a decimal number) but found \"abc\""},
        {"hexadecimal d value", 12, "0x10", {0, 0, 0, 0, 0},
         "12: expected the d1 value of tile #0 of layer #0 (a decimal number) but found \"0x10\""},
        {"nan as a d value", 24, "nan", {1, 0, 0, 0, 0},
         "24: expected the d1 value of tile #1 of layer #0 (a decimal number) but found \"nan\""},
        {"d value beyond the float range", 25, "1e39", {1, 0, 0, 0, 0},
         "25: expected the d2 value of tile #1 of layer #0 (a decimal number within the range of "
         "a 32-bit float) but found \"1e39\""},
        {"data after the last layer", 32, "junk", {2, 0, 0, 0, 0},
         "32: expected the end of the file (the five layers are complete) but found \"junk\""},
        {"control bytes and long tokens are quoted safely", 16,
         "1\x01\x1b[2J0123456789012345678901234567890123456789", {1, 0, 0, 0, 0},
         "16: expected the type of tile #1 of layer #0 (a whole number) but found "
         "\"1??[2J0123456789012345678901234567890123...\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> tokens = two_tiles();
        if (!c.token)
            tokens.resize(c.line - 1);
        else if (c.line > static_cast<int>(tokens.size()))
            tokens.push_back(c.token);
        else
            tokens[c.line - 1] = c.token;
        std::string text;
        for (const std::string &token : tokens)
            text += token + "\n";

        load(text);
        std::string file = path("map.txt");
        EXPECT_EQ(shown_messages, std::vector<std::string>{
                                      file + ", line " + c.expected +
                                      ". Reading stops here; the level keeps what was read before. "
                                      "The original file is kept as " +
                                      file + ".bak."});
        EXPECT_EQ(read_file(file + ".bak"), text) << "the backup holds the original bytes";
        for (int i = 0; i < layer_count; i++) {
            EXPECT_EQ(map.layers[i].tile_count, c.kept[i]) << "layer " << i;
            EXPECT_NE(map.layers[i].tiles, nullptr) << "layer " << i;
        }
        if (c.kept[0] > 0) {
            EXPECT_EQ(map.layers[0].tiles[0].x, 64);
        }

        shown_messages.clear();
        std::filesystem::remove(file + ".bak");
    }
}

TEST_F(MapFileTest, BackupNeverReplacesAnEarlierOne)
{
    write_file(path("map.txt.bak"), "first");
    write_file(path("map.txt.1.bak"), "second");
    const std::string faulty = "001\ntiles.bmp\n1\n1\n64\n";
    load(faulty);
    ASSERT_EQ(shown_messages.size(), 1u);
    EXPECT_NE(shown_messages[0].find("The original file is kept as " + path("map.txt.2.bak") + "."),
              std::string::npos)
        << shown_messages[0];
    EXPECT_EQ(read_file(path("map.txt.bak")), "first");
    EXPECT_EQ(read_file(path("map.txt.1.bak")), "second");
    EXPECT_EQ(read_file(path("map.txt.2.bak")), faulty);
}

TEST_F(MapFileTest, TilesetNameLongerThanTheFieldIsCutReportedAndTheOriginalKept)
{
    const std::string fits(63, 'n');
    load("001\n" + fits + "\n0\n0\n0\n0\n0\n");
    EXPECT_TRUE(shown_messages.empty());
    EXPECT_EQ(map.tileset_name, fits);
    EXPECT_EQ(files(), std::vector<std::string>{"map.txt"});

    const std::string too_long = std::string(70, 'a') + ".bmp";
    const std::string text = "001\n" + too_long + "\n1\n" + block(1, 64);
    load(text + "0\n0\n0\n0\n");
    std::string file = path("map.txt");
    EXPECT_EQ(shown_messages,
              std::vector<std::string>{
                  file + ", line 2: the tileset name \"" + std::string(40, 'a') +
                  "...\" is 74 characters long, more than the 63 the editor can hold. The editor "
                  "keeps \"" +
                  std::string(40, 'a') +
                  "...\" and loads the tileset from that name. The original file is kept as " +
                  file + ".bak."});
    EXPECT_EQ(map.tileset_name, std::string(63, 'a'));
    EXPECT_EQ(map.layers[0].tile_count, 1) << "reading goes on after the name";
    EXPECT_EQ(read_file(file + ".bak"), text + "0\n0\n0\n0\n");
}

TEST_F(MapFileTest, TilesetNamedInTheFileIsLoaded)
{
    BITMAP *picture = create_bitmap(48, 16);
    clear_to_color(picture, makecol(255, 0, 255));
    std::string bmp = path("tiles.bmp");
    ASSERT_EQ(save_bitmap(bmp.c_str(), picture, nullptr), 0);
    std::filesystem::copy_file(bmp, path("TILES.BMP"));
    destroy_bitmap(picture);

    for (const std::string &name : {bmp, path("TILES.BMP")}) {
        load("001\n" + name + "\n0\n0\n0\n0\n0\n");
        EXPECT_TRUE(shown_messages.empty());
        ASSERT_NE(map.tileset, nullptr) << name;
        EXPECT_EQ(map.tileset->w, 48);
        EXPECT_EQ(map.tileset->h, 16);
    }
    load("001\n" + path("missing.bmp") + "\n0\n0\n0\n0\n0\n");
    EXPECT_TRUE(shown_messages.empty()) << "a missing tileset is not reported";
    EXPECT_EQ(map.tileset, nullptr);
}

// The worked example with d1 written as token.
static std::string with_d1(const std::string &token)
{
    return replaced(fixture("worked_example.txt"), "32\n0\n", "32\n" + token + "\n");
}

TEST_F(MapFileTest, DecimalFormsReadAsTheNearestFloat)
{
    struct Case {
        const char *token;
        float value;
    } cases[] = {
        {"9999999", 9999999.0f},
        {"16777216", 16777216.0f},
        {"16777217", 16777216.0f},  // halfway between two floats: the even one
        {"16777219", 16777220.0f},
        {"-0", -0.0f},
        {"+0", 0.0f},
        {"+0000000", 0.0f},
        {"00000000000000000000000001.5", 1.5f},
        {"0.1", 0.1f},
        {"-123456.7", -123456.7f},
        {"1.000000059604644775390625", 1.0f},  // halfway: the even one
        {"1.000000059604644775390625000000000000000001", 1.00000012f},
        {"3.4028235677e38", 3.40282347e38f},  // just below halfway to 2^128
        {"1e-45", 1.40129846e-45f},           // the smallest denormal
        {"1e-46", 0.0f},
        {"0e99999999999999999999", 0.0f},
    };
    for (const Case &c : cases) {
        load(with_d1(c.token));
        EXPECT_TRUE(shown_messages.empty()) << c.token;
        shown_messages.clear();
        ASSERT_EQ(map.layers[0].tile_count, 1) << c.token;
        float d1 = map.layers[0].tiles[0].d1;
        EXPECT_EQ(d1, c.value) << c.token;
        EXPECT_EQ(std::signbit(d1), std::signbit(c.value)) << c.token;
    }
}

TEST_F(MapFileTest, NegativeZeroSavesAsItWasWritten)
{
    load(with_d1("-0"));
    EXPECT_EQ(saved(), with_d1("-0"));
}

TEST_F(MapFileTest, DecimalBeyondTheFloatRangeStopsReading)
{
    for (const char *token : {"3.4028235678e38", "3.40282356779733661637539395458142568448e38",
                              "-1e39", "1e99999999999999999999", "+340282356779733661637539395458142568448"}) {
        load(with_d1(token));
        ASSERT_EQ(shown_messages.size(), 1u) << token;
        EXPECT_NE(shown_messages[0].find("line 12: expected the d1 value of tile #0 of layer #0 (a "
                                         "decimal number within the range of a 32-bit float) but "
                                         "found \"" +
                                         std::string(token).substr(0, 40)),
                  std::string::npos)
            << shown_messages[0];
        EXPECT_EQ(map.layers[0].tile_count, 0) << token;
        shown_messages.clear();
        std::filesystem::remove(path("map.txt.bak"));
    }
}

TEST_F(MapFileTest, WholeNumberFormsAtTheirEdges)
{
    const std::string malformed = "(a whole number) but found";
    const std::string out_of_range = "(a whole number from -2147483648 to 2147483647) but found";
    struct Case {
        const char *token;
        int32_t x;               // when read
        const std::string *why;  // null when read
    } cases[] = {
        {"+0", 0, nullptr},
        {"-0", 0, nullptr},
        {"00000000000000000000000042", 42, nullptr},
        {"+2147483647", 2147483647, nullptr},
        {"-00000000002147483648", -2147483647 - 1, nullptr},
        {"+-1", 0, &malformed},
        {"-+1", 0, &malformed},
        {"--1", 0, &malformed},
        {"+", 0, &malformed},
        {"-", 0, &malformed},
        {"1-", 0, &malformed},
        {"1+1", 0, &malformed},
        {"\xd9\xa3", 0, &malformed},  // a digit of another script
        {"2147483648", 0, &out_of_range},
        {"-2147483649", 0, &out_of_range},
        {"+99999999999999999999", 0, &out_of_range},
    };
    for (const Case &c : cases) {
        load(replaced(fixture("worked_example.txt"), "\n64\n", std::string("\n") + c.token + "\n"));
        if (!c.why) {
            EXPECT_TRUE(shown_messages.empty()) << c.token;
            ASSERT_EQ(map.layers[0].tile_count, 1) << c.token;
            EXPECT_EQ(map.layers[0].tiles[0].x, c.x) << c.token;
        } else {
            ASSERT_EQ(shown_messages.size(), 1u) << c.token;
            EXPECT_NE(shown_messages[0].find("line 5: expected the x position of tile #0 of layer "
                                             "#0 " + *c.why),
                      std::string::npos)
                << shown_messages[0];
            EXPECT_EQ(map.layers[0].tile_count, 0) << c.token;
        }
        shown_messages.clear();
        std::filesystem::remove(path("map.txt.bak"));
    }
}

// The values that follow a count are counted over the whole file, however
// it is cut into pieces while it is read: half a megabyte of tokens of
// every byte that is not whitespace (bytes above 127 whose low bits spell a
// space or a tab among them), between runs of every kind of whitespace.
TEST_F(MapFileTest, CountsEveryValueOfALargeFileExactly)
{
    const std::string separators = " \t\n\r\v\f";
    std::string not_space;
    for (int c = 0; c < 256; c++) {
        if (separators.find(static_cast<char>(c)) == std::string::npos)
            not_space += static_cast<char>(c);
    }
    const int values = 50000;
    std::string text = "001\ntiles.bmp\n1\n0 0 0 2000000000";
    unsigned seed = 7;
    auto next = [&seed](unsigned limit) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % limit;
    };
    for (int i = 0; i < values; i++) {
        for (unsigned n = 1 + next(3); n > 0; n--)
            text += separators[next(separators.size())];
        for (unsigned n = 1 + next(19); n > 0; n--)
            text += not_space[next(not_space.size())];
    }
    ASSERT_GT(text.size(), 500000u);

    load(text);
    ASSERT_EQ(shown_messages.size(), 1u);
    EXPECT_NE(shown_messages[0].find("line 4: expected the frame count of tile #0 of layer #0 "
                                     "(at most " +
                                     std::to_string((values - 4) / 4) + ", since " +
                                     std::to_string(values) +
                                     " values follow and a tile takes 4 per frame and 4 more) "
                                     "but found \"2000000000\""),
              std::string::npos)
        << shown_messages[0];
}
