// Loading "map.txt" into entities, and releasing the level again.
#include <allegro.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game.h"
#include "message.h"
#include "users_locale.h"

namespace {

std::vector<std::string> messages;

void record_message(const char *text)
{
    messages.push_back(text);
}

// Collects the reader's messages instead of showing them.
struct MessageRecorder {
    void (*saved)(const char *);

    MessageRecorder() : saved(show_message)
    {
        messages.clear();
        show_message = record_message;
    }
    ~MessageRecorder() { show_message = saved; }
};

struct TempFolder {
    std::filesystem::path path;

    TempFolder()
    {
        char pattern[] = "/tmp/tarrowXXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }

    std::string write(const std::string &name, const std::string &text) const
    {
        std::string file = (path / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
};

// Frees the level however a test ends.
struct LoadedMap {
    Map map;
    ~LoadedMap() { free_map(map); }
};

void expect_every_layer_has_an_array(const Map &map)
{
    for (int i = 0; i < layer_count; i++)
        EXPECT_NE(map.layers[i].entities, nullptr) << "layer " << i;
}

std::vector<int> entity_counts(const Map &map)
{
    std::vector<int> counts;
    for (const Layer &layer : map.layers)
        counts.push_back(layer.entity_count);
    return counts;
}

const std::string stop_note = ". Reading stops here; the game runs with what was read before.";

}  // namespace

TEST(LoadMap, FillsEveryFieldOfEveryEntity)
{
    MessageRecorder recorder;
    LoadedMap level_map;
    Map &map = level_map.map;
    load_map(map, FIXTURES "/every_field.txt");

    EXPECT_TRUE(messages.empty());
    EXPECT_STREQ(map.tileset_name, "tiles.bmp");
    EXPECT_EQ(map.tileset, nullptr);  // not in the working folder: no message either
    EXPECT_EQ(entity_counts(map), (std::vector<int>{2, 0, 3, 1, 1}));
    expect_every_layer_has_an_array(map);

    const Entity &player = map.layers[0].entities[0];
    EXPECT_EQ(player.type, 0);
    EXPECT_FLOAT_EQ(player.x, 12.5f);
    EXPECT_FLOAT_EQ(player.y, -40.25f);
    EXPECT_EQ(player.frames, 2);
    EXPECT_EQ(player.setx[0], 0);
    EXPECT_EQ(player.sety[0], 0);
    EXPECT_EQ(player.sizex[0], 32);
    EXPECT_EQ(player.sizey[0], 32);
    EXPECT_EQ(player.setx[1], 32);
    EXPECT_EQ(player.sety[1], 0);
    EXPECT_EQ(player.sizex[1], 32);
    EXPECT_EQ(player.sizey[1], 48);
    EXPECT_FLOAT_EQ(player.d1, 0.5f);

    const Entity &block = map.layers[0].entities[1];
    EXPECT_EQ(block.type, 1);
    EXPECT_EQ(block.setx[0], 64);
    EXPECT_EQ(block.sety[0], 32);
    EXPECT_EQ(block.sizex[0], 16);
    EXPECT_EQ(block.sizey[0], 8);
    EXPECT_FLOAT_EQ(block.d1, 1);
    EXPECT_FLOAT_EQ(block.d2, 2);
    EXPECT_FLOAT_EQ(block.d3, 3);
    EXPECT_FLOAT_EQ(block.d4, 4);

    const Entity &walker = map.layers[2].entities[0];
    EXPECT_FLOAT_EQ(walker.x, -7);
    EXPECT_FLOAT_EQ(walker.d3, 0.25f);
    const Entity &odd_type = map.layers[2].entities[2];
    EXPECT_EQ(odd_type.type, 5);
    EXPECT_FLOAT_EQ(odd_type.x, 1000);
    EXPECT_FLOAT_EQ(odd_type.y, 0.25f);
    EXPECT_FLOAT_EQ(odd_type.d1, -1.5f);
    EXPECT_FLOAT_EQ(map.layers[3].entities[0].y, -0.5f);

    for (const Layer &layer : map.layers) {
        for (int j = 0; j < layer.entity_count; j++) {
            const Entity &e = layer.entities[j];
            EXPECT_EQ(e.old_x, e.x);
            EXPECT_EQ(e.old_y, e.y);
            EXPECT_EQ(e.vx, 0);
            EXPECT_EQ(e.vy, 0);
            EXPECT_EQ(e.current_frame, 0);
        }
    }
}

TEST(LoadMap, ChoosesTheBehaviourByTypeForEveryPlayerAndOddType)
{
    MessageRecorder recorder;
    LoadedMap level_map;
    Map &map = level_map.map;
    load_map(map, FIXTURES "/every_field.txt");

    EXPECT_EQ(map.layers[0].entities[0].update, update_player);
    EXPECT_EQ(map.layers[3].entities[0].update, update_player);  // a second player
    EXPECT_EQ(map.layers[0].entities[1].update, update_none);    // block
    EXPECT_EQ(map.layers[2].entities[0].update, update_walker);
    EXPECT_EQ(map.layers[2].entities[1].update, update_none);  // message board
    EXPECT_EQ(map.layers[2].entities[2].update, update_none);  // type 5
    EXPECT_EQ(map.layers[4].entities[0].update, update_none);  // type -1
    EXPECT_EQ(map.layers[2].entities[2].type, 5);
    EXPECT_EQ(map.layers[4].entities[0].type, -1);
}

TEST(LoadMap, EntityWithoutFramesGetsNoArraysReadsOnAndHasNoBox)
{
    MessageRecorder recorder;
    TempFolder folder;
    LoadedMap level_map;
    Map &map = level_map.map;
    load_map(map, folder.write("map.txt", "001 t.bmp\n"
                                          "2\n"
                                          "2 8 9 0  7 8 9 10\n"
                                          "1 0 0 -3  1 2 3 4\n"
                                          "0 0 0 0\n")
                      .c_str());

    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(map.layers[0].entity_count, 2);
    for (int j = 0; j < 2; j++) {
        const Entity &e = map.layers[0].entities[j];
        EXPECT_EQ(e.setx, nullptr);
        EXPECT_EQ(e.sety, nullptr);
        EXPECT_EQ(e.sizex, nullptr);
        EXPECT_EQ(e.sizey, nullptr);
        EXPECT_FALSE(has_box(e));
    }
    EXPECT_EQ(map.layers[0].entities[0].frames, 0);
    EXPECT_FLOAT_EQ(map.layers[0].entities[0].d4, 10);
    EXPECT_EQ(map.layers[0].entities[1].frames, -3);
    EXPECT_FLOAT_EQ(map.layers[0].entities[1].d1, 1);
}

TEST(LoadMap, MissingEmptyOrUnreadableFileShowsOnlyTheFormatMessageAndGivesAnEmptyLevel)
{
    TempFolder folder;
    std::string empty = folder.write("map.txt", "");
    std::string blank = folder.write("blank.txt", " \n\r\n\t\n");
    std::string missing = (folder.path / "no_such_map.txt").string();
    std::string a_folder = (folder.path / "folder.txt").string();
    std::filesystem::create_directory(a_folder);
    for (const std::string &file : {missing, empty, blank, a_folder}) {
        MessageRecorder recorder;
        LoadedMap level_map;
        load_map(level_map.map, file.c_str());

        EXPECT_EQ(messages, std::vector<std::string>{"Error! Wrong file format!"}) << file;
        EXPECT_STREQ(level_map.map.tileset_name, "");
        EXPECT_EQ(level_map.map.tileset, nullptr);
        EXPECT_EQ(entity_counts(level_map.map), (std::vector<int>{0, 0, 0, 0, 0}));
        expect_every_layer_has_an_array(level_map.map);
    }
}

TEST(LoadMap, WrongHeaderIsReportedOnceAndTheRestLoads)
{
    TempFolder folder;
    for (const char *header : {"002", "0010", "01", "1"}) {
        MessageRecorder recorder;
        LoadedMap level_map;
        std::string body = std::string(header) + "\nt.bmp\n0\n1\n1 5 6 1 0 0 32 32 0 0 0 0\n0\n0\n0\n";
        load_map(level_map.map, folder.write("map.txt", body).c_str());

        EXPECT_EQ(messages, std::vector<std::string>{"Error! Wrong file format!"}) << header;
        EXPECT_STREQ(level_map.map.tileset_name, "t.bmp");
        ASSERT_EQ(level_map.map.layers[1].entity_count, 1) << header;
        EXPECT_FLOAT_EQ(level_map.map.layers[1].entities[0].y, 6);
    }
}

TEST(LoadMap, AnyWhitespaceLayoutReadsLikeTheWritersOwn)
{
    MessageRecorder recorder;
    TempFolder folder;
    LoadedMap writers, squeezed;
    load_map(writers.map, FIXTURES "/every_field.txt");

    std::ifstream fixture(FIXTURES "/every_field.txt");
    std::string text, token;
    const char *separators[] = {" ", "\t", "\r\n", "  \n\n", "\v", "\f"};
    for (int n = 0; fixture >> token; n++)
        text += token + separators[n % 6];
    load_map(squeezed.map, folder.write("map.txt", text).c_str());

    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(entity_counts(squeezed.map), entity_counts(writers.map));
    for (int i = 0; i < layer_count; i++) {
        for (int j = 0; j < writers.map.layers[i].entity_count; j++) {
            const Entity &a = writers.map.layers[i].entities[j];
            const Entity &b = squeezed.map.layers[i].entities[j];
            EXPECT_EQ(a.type, b.type);
            EXPECT_EQ(a.x, b.x);
            EXPECT_EQ(a.y, b.y);
            EXPECT_EQ(a.frames, b.frames);
            for (int k = 0; k < a.frames; k++) {
                EXPECT_EQ(a.setx[k], b.setx[k]);
                EXPECT_EQ(a.sizey[k], b.sizey[k]);
            }
            EXPECT_EQ(a.d1, b.d1);
            EXPECT_EQ(a.d4, b.d4);
        }
    }
}

TEST(LoadMap, AcceptsEveryDecimalFormAtItsLimits)
{
    struct Case {
        const char *token;
        float x;
    } cases[] = {
        {"+5", 5},          {"-0", 0},          {"1.", 1},          {".5", 0.5f},
        {"-2.5e1", -25},    {"1E+3", 1000},     {"25e-1", 2.5f},    {"3.4e38", 3.4e38f},
        {"1e-50", 0},       {"007", 7},         {"1e0000002", 100}, {"-.25", -0.25f},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        MessageRecorder recorder;
        LoadedMap level_map;
        std::string text = std::string("001 t.bmp 1  -2147483648 ") + c.token +
                           " 0 1  2147483647 -2147483648 +32 0032  0 0 0 0  0 0 0 0";
        load_map(level_map.map, folder.write("map.txt", text).c_str());

        EXPECT_TRUE(messages.empty()) << c.token << ": " << (messages.empty() ? "" : messages[0]);
        ASSERT_EQ(level_map.map.layers[0].entity_count, 1) << c.token;
        const Entity &e = level_map.map.layers[0].entities[0];
        EXPECT_FLOAT_EQ(e.x, c.x) << c.token;
        EXPECT_EQ(e.type, INT32_MIN);
        EXPECT_EQ(e.setx[0], INT32_MAX);
        EXPECT_EQ(e.sety[0], INT32_MIN);
        EXPECT_EQ(e.sizex[0], 32);
        EXPECT_EQ(e.sizey[0], 32);
    }
}

// The count checks are upper bounds: a file whose tokens are all one
// character long, with no line break after the last, still loads whole.
TEST(LoadMap, TightestWellFormedFileLoadsWhole)
{
    MessageRecorder recorder;
    TempFolder folder;
    LoadedMap level_map;
    load_map(level_map.map,
             folder.write("map.txt", "001 t 0 0 0 0 1 1 0 0 1 0 0 1 1 0 0 0 9").c_str());

    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(level_map.map.layers[4].entity_count, 1);
    EXPECT_FLOAT_EQ(level_map.map.layers[4].entities[0].d4, 9);
}

TEST(LoadMap, StopsAtTheFirstUnusableValueKeepingTheEntitiesReadWhole)
{
    struct Case {
        const char *text;
        const char *message;  // between the file name and the closing note
        std::vector<int> counts;
    } cases[] = {
        {"001\n",
         "line 1: expected the tileset name (a file name) but found the end of the file",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n"
         "2\n"
         "1 0 0 1 0 0 32 32 0 0 0 0\n"
         "1 32 0 1 0 0 32 32 0 0 0\n\n\n",
         "line 4: expected the d4 value of entity #1 of layer #0 (a number) but found the end "
         "of the file",
         {1, 0, 0, 0, 0}},
        {"001 t.bmp\n"
         "1\n"
         "1 0 0 2 0 0 32 32 32 0 32\n\n\n\n\n\n\n\n\n\n\n",
         "line 3: expected the sizey value of frame #1 of entity #0 of layer #0 (a whole "
         "number) but found the end of the file",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n"
         "1\n"
         "1 abc 0 1 0 0 32 32 0 0 0 0\n"
         "0 0 0 0\n",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found \"abc\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n"
         "1\n"
         "1 0 0 1 0 0 32 32 0 0 0 0\n"
         "1\n"
         "2147483648 0 0 1 0 0 32 32 0 0 0 0\n"
         "0 0 0\n",
         "line 5: expected the type of entity #0 of layer #1 (a whole number) but found "
         "\"2147483648\", which is out of range",
         {1, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 0 1 0 0 32 32 1e39 0 0 0\n0 0 0 0\n",
         "line 3: expected the d1 value of entity #0 of layer #0 (a number) but found "
         "\"1e39\", which is out of range",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 inf 1 0 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the y position of entity #0 of layer #0 (a number) but found \"inf\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 nan 1 0 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the y position of entity #0 of layer #0 (a number) but found \"nan\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 1,5 0 1 0 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found \"1,5\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 1e 0 1 0 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found \"1e\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 0 1 0x10 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the setx value of frame #0 of entity #0 of layer #0 (a whole "
         "number) but found \"0x10\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 0 1 0 0 32.5 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the sizex value of frame #0 of entity #0 of layer #0 (a whole "
         "number) but found \"32.5\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 0 1abc 0 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the frame count of entity #0 of layer #0 (a whole number) but found "
         "\"1abc\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n0\n0\n-1\n0 0\n",
         "line 4: expected the entity count of layer #2 (a whole number, 0 or more) but found "
         "\"-1\"",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1000000\n1 0 0 1 0 0 32 32 0 0 0 0\n",
         "line 3: expected the type of entity #1 of layer #0 (a whole number) but found the end "
         "of the file",
         {1, 0, 0, 0, 0}},
        {"001 t.bmp\n0 0 0\n1\n1 0 0 1000 0 0 32 32 0 0 0 0\n0\n",
         "line 4: expected the frame count of entity #0 of layer #3 (a whole number) but found "
         "\"1000\", more frames than the rest of the file can hold",
         {0, 0, 0, 0, 0}},
        {"001 t.bmp\n1\n1 0 0 1 0 0 32 32 0 0 0 0\n2\n"
         "1 0 0 1 0 0 32 32 0 0 0 0\n"
         "1 aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa 0 1 0 0 32 32 0 0 0 0\n0 0 0\n",
         "line 6: expected the x position of entity #1 of layer #1 (a number) but found "
         "\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...\"",
         {1, 1, 0, 0, 0}},
        {"001 t.bmp\n1\n1 a\x01\x7f 0 1 0 0 32 32 0 0 0 0\n0 0 0 0\n",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found \"a??\"",
         {0, 0, 0, 0, 0}},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        MessageRecorder recorder;
        LoadedMap level_map;
        std::string file = folder.write("map.txt", c.text);
        load_map(level_map.map, file.c_str());

        EXPECT_EQ(messages, std::vector<std::string>{file + ", " + c.message + stop_note})
            << c.text;
        EXPECT_EQ(entity_counts(level_map.map), c.counts) << c.text;
        expect_every_layer_has_an_array(level_map.map);
    }
}

// A NUL byte is no separator: the token it stands in is not the number or
// the header that the characters before it spell.
TEST(LoadMap, NulByteInsideATokenMakesItMalformed)
{
    using namespace std::string_literals;
    const std::string entity_end = " 0 0 32 32 0 0 0 0 0 0 0 0"s;
    struct Case {
        std::string text;
        std::vector<int> counts;
        std::string message;  // after the file name; empty for the header's own message
    } cases[] = {
        {"001\0 t.bmp 1 1 0 0 1"s + entity_end, {1, 0, 0, 0, 0}, ""},
        {"001 t.bmp 1 1 12\0 0 1"s + entity_end, {0, 0, 0, 0, 0},
         "line 1: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"12?\"" + stop_note},
        {"001 t.bmp 1 1\0 0 0 1"s + entity_end, {0, 0, 0, 0, 0},
         "line 1: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"1?\"" + stop_note},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        MessageRecorder recorder;
        LoadedMap level_map;
        std::string file = folder.write("map.txt", c.text);
        load_map(level_map.map, file.c_str());

        std::string expected =
            c.message.empty() ? "Error! Wrong file format!" : file + ", " + c.message;
        EXPECT_EQ(messages, std::vector<std::string>{expected}) << c.message;
        EXPECT_EQ(entity_counts(level_map.map), c.counts) << c.message;
    }
}

// Allegro's keyboard set-up switches the C library to the user's locale, in
// which the decimal separator may be a comma; the level file's is a point.
TEST(LoadMap, ReadsDecimalPointsWhateverTheUsersLocale)
{
    GermanLocale users_locale;
    if (!users_locale.active)
        GTEST_SKIP() << "localedef cannot build the de_DE.UTF-8 locale here";
    ASSERT_STREQ(localeconv()->decimal_point, ",");

    TempFolder folder;
    MessageRecorder recorder;
    LoadedMap level_map;
    load_map(level_map.map,
             folder.write("map.txt", "001 t.bmp 1 1 12.5 1.5e2 1 0 0 32 32 0.25 0 0 0 0 0 0 0")
                 .c_str());
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(level_map.map.layers[0].entity_count, 1);
    EXPECT_FLOAT_EQ(level_map.map.layers[0].entities[0].x, 12.5f);
    EXPECT_FLOAT_EQ(level_map.map.layers[0].entities[0].y, 150);
    EXPECT_FLOAT_EQ(level_map.map.layers[0].entities[0].d1, 0.25f);
}

TEST(LoadMap, LongTilesetNameIsCutToFitWithOneMessageAndReadingGoesOn)
{
    const std::string name31 = "abcdefghijklmnopqrstuvwxyz01234";
    TempFolder folder;
    {
        MessageRecorder recorder;
        LoadedMap level_map;
        load_map(level_map.map, folder.write("map.txt", "001 " + name31 + " 0 0 0 0 0").c_str());
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(level_map.map.tileset_name, name31);
    }
    {
        MessageRecorder recorder;
        LoadedMap level_map;
        std::string file = folder.write(
            "map.txt", "001\n" + name31 + "56789.bmp\n0\n1\n1 5 6 1 0 0 32 32 0 0 0 0\n0 0 0\n");
        load_map(level_map.map, file.c_str());
        EXPECT_EQ(messages, std::vector<std::string>{
                                file + ", line 2: the tileset name has 40 characters, more than "
                                       "the 31 the game can hold. It is cut to \"" +
                                name31 + "\"."});
        EXPECT_EQ(level_map.map.tileset_name, name31);
        EXPECT_EQ(level_map.map.layers[1].entity_count, 1);
    }
}

TEST(LoadMap, LoadsTheNamedTilesetAndFreeMapReleasesTheWholeLevel)
{
    MessageRecorder recorder;
    TempFolder folder;
    BITMAP *picture = create_bitmap(64, 32);
    clear_to_color(picture, makecol(255, 0, 0));
    std::string tileset = (folder.path / "tiles.bmp").string();
    ASSERT_LT(tileset.size(), 32u);
    ASSERT_EQ(save_bitmap(tileset.c_str(), picture, nullptr), 0);
    destroy_bitmap(picture);

    Map map;
    load_map(map, folder.write("map.txt", "001 " + tileset +
                                              " 1 1 0 0 2 0 0 32 32 32 0 32 32 0 0 0 0"
                                              " 0 0 0 1 0 0 0 -1 0 0 0 0")
                      .c_str());
    EXPECT_TRUE(messages.empty());
    ASSERT_NE(map.tileset, nullptr);
    EXPECT_EQ(map.tileset->w, 64);
    EXPECT_EQ(map.tileset->h, 32);
    EXPECT_EQ(getpixel(map.tileset, 40, 10), makecol(255, 0, 0));
    EXPECT_EQ(entity_counts(map), (std::vector<int>{1, 0, 0, 0, 1}));

    free_map(map);
    EXPECT_EQ(map.tileset, nullptr);
    for (const Layer &layer : map.layers) {
        EXPECT_EQ(layer.entity_count, 0);
        EXPECT_EQ(layer.entities, nullptr);
    }
    free_map(map);  // a second release finds nothing left to free
}

// A 2 x 2 bmp file, rows bottom-up: red, green over blue, magenta. The
// info header has info_size bytes; 8-bit files carry a palette of the four
// colours, 32-bit bit-field files their masks in the header.
std::string bmp_file(uint32_t info_size, uint16_t bits, uint32_t compression)
{
    const uint32_t colours[] = {0xff0000, 0x00ff00, 0x0000ff, 0xff00ff};  // top row first
    const int width = 2, height = 2;
    const uint32_t palette_count = bits == 8 ? 4 : 0;
    const uint32_t row_bytes = (width * bits / 8 + 3) / 4 * 4;
    const uint32_t pixels_at = 14 + info_size + 4 * palette_count;
    std::string file;
    auto u16 = [&](uint32_t v) { file += char(v & 0xff); file += char(v >> 8 & 0xff); };
    auto u32 = [&](uint32_t v) { u16(v & 0xffff); u16(v >> 16); };
    file += "BM";
    u32(pixels_at + row_bytes * height);
    u32(0);
    u32(pixels_at);
    u32(info_size);
    u32(width);
    u32(height);
    u16(1);
    u16(bits);
    u32(compression);
    u32(row_bytes * height);
    u32(2835);
    u32(2835);
    u32(palette_count);
    u32(0);
    if (compression == 3) {
        u32(0x00ff0000);
        u32(0x0000ff00);
        u32(0x000000ff);
        u32(0xff000000);
    }
    file.resize(14 + info_size, '\0');  // colour space and the rest of the longer forms
    for (uint32_t c : colours)
        if (palette_count)
            u32(c);
    for (int row = height - 1; row >= 0; row--) {
        size_t start = file.size();
        for (int x = 0; x < width; x++) {
            uint32_t c = colours[row * width + x];
            if (bits == 8)
                file += char(row * width + x);
            else if (bits == 24)
                file += std::string{char(c & 0xff), char(c >> 8 & 0xff), char(c >> 16)};
            else
                u32(c | 0xff000000);
        }
        file.resize(start + row_bytes, '\0');
    }
    return file;
}

// Image tools write bmp headers longer than the 40-byte form by default
// (ImageMagick and GIMP write the 124-byte one).
TEST(LoadMap, LoadsBmpTilesetsWithTheLongerHeadersOfTodaysImageTools)
{
    struct Case {
        const char *form;
        uint32_t info_size;
        uint16_t bits;
        uint32_t compression;
    };
    const Case cases[] = {
        {"40-byte header, 24 bits", 40, 24, 0},
        {"V4 header, 24 bits", 108, 24, 0},
        {"V5 header, 24 bits", 124, 24, 0},
        {"V5 header, 32-bit bit fields with alpha", 124, 32, 3},
        {"56-byte header, 32-bit bit fields", 56, 32, 3},
        {"V5 header, 8-bit palette", 124, 8, 0},
    };
    for (const Case &c : cases) {
        MessageRecorder recorder;
        TempFolder folder;
        std::string tileset =
            folder.write("tiles.bmp", bmp_file(c.info_size, c.bits, c.compression));
        LoadedMap loaded;
        load_map(loaded.map, folder.write("map.txt", "001 " + tileset + " 0 0 0 0 0").c_str());
        EXPECT_TRUE(messages.empty()) << c.form;
        ASSERT_NE(loaded.map.tileset, nullptr) << c.form;
        EXPECT_EQ(loaded.map.tileset->w, 2) << c.form;
        EXPECT_EQ(loaded.map.tileset->h, 2) << c.form;
        EXPECT_EQ(getpixel(loaded.map.tileset, 0, 0), makecol(255, 0, 0)) << c.form;
        EXPECT_EQ(getpixel(loaded.map.tileset, 1, 0), makecol(0, 255, 0)) << c.form;
        EXPECT_EQ(getpixel(loaded.map.tileset, 0, 1), makecol(0, 0, 255)) << c.form;
        EXPECT_EQ(getpixel(loaded.map.tileset, 1, 1), makecol(255, 0, 255)) << c.form;
    }
}

TEST(LoadMap, TilesetThatIsNoPictureLeavesTheLevelWithoutATileset)
{
    struct Case {
        const char *what;
        std::string bytes;
    };
    std::string cut_short = bmp_file(124, 24, 0).substr(0, 100);
    std::string unknown_header = bmp_file(124, 24, 0);
    unknown_header[14] = 100;
    const Case cases[] = {
        {"text", "no picture here"},
        {"a V5 header cut short", cut_short},
        {"a header size no bmp form has", unknown_header},
    };
    for (const Case &c : cases) {
        MessageRecorder recorder;
        TempFolder folder;
        std::string tileset = folder.write("tiles.bmp", c.bytes);
        LoadedMap loaded;
        load_map(loaded.map, folder.write("map.txt", "001 " + tileset + " 0 0 0 0 0").c_str());
        EXPECT_TRUE(messages.empty()) << c.what;
        EXPECT_EQ(loaded.map.tileset, nullptr) << c.what;
    }
}

TEST(LoadMap, MapBuiltFromAFileNameHoldsThatLevel)
{
    MessageRecorder recorder;
    Map map(FIXTURES "/every_field.txt");
    EXPECT_EQ(entity_counts(map), (std::vector<int>{2, 0, 3, 1, 1}));
    EXPECT_FLOAT_EQ(map.layers[0].entities[0].x, 12.5f);
    free_map(map);
}

TEST(Add, AppendsACopyAndGrowsTheLayerByOne)
{
    Layer layer;
    Entity first;
    first.type = 1;
    first.x = 3;
    first.frames = 0;
    first.setx = first.sety = first.sizex = first.sizey = nullptr;
    Entity second = first;
    second.type = 2;
    second.x = 4;

    add(layer, first);
    ASSERT_EQ(layer.entity_count, 1);
    add(layer, second);
    first.x = 99;  // the layer holds its own copy

    ASSERT_EQ(layer.entity_count, 2);
    EXPECT_EQ(layer.entities[0].type, 1);
    EXPECT_FLOAT_EQ(layer.entities[0].x, 3);
    EXPECT_EQ(layer.entities[1].type, 2);
    EXPECT_FLOAT_EQ(layer.entities[1].x, 4);
}

namespace {

// One entity in layer 0 with x written as x and type written as type.
std::string entity_level(const std::string &type, const std::string &x)
{
    return "001 t.bmp\n1\n" + type + " " + x + " 0 1\n0 0 32 32\n0 0 0 0\n0 0 0 0\n";
}

// Loads entity_level(type, x) into level_map: a success when it loads without
// a message and its entity is there.
testing::AssertionResult loads_one_entity(LoadedMap &level_map, const TempFolder &folder,
                                          const std::string &type, const std::string &x)
{
    MessageRecorder recorder;
    load_map(level_map.map, folder.write("map.txt", entity_level(type, x)).c_str());
    if (!messages.empty())
        return testing::AssertionFailure() << "the reader said: " << messages[0];
    if (level_map.map.layers[0].entity_count != 1)
        return testing::AssertionFailure() << level_map.map.layers[0].entity_count << " entities";
    return testing::AssertionSuccess();
}

}  // namespace

TEST(LoadMap, DecimalFormsReadAsTheNearestFloat)
{
    struct Case {
        const char *token;
        float x;
    } cases[] = {
        {"9999999", 9999999.0f},
        {"16777216", 16777216.0f},
        {"16777217", 16777216.0f},  // halfway between two floats: the even one
        {"16777219", 16777220.0f},
        {"-0", -0.0f},
        {"+0000000", 0.0f},
        {"00000000000000000000000001.5", 1.5f},
        {"0.1", 0.1f},
        {"-123456.7", -123456.7f},
        {"1.000000059604644775390625", 1.0f},  // halfway: the even one
        {"1.000000059604644775390625000000000000000001", 1.00000012f},
        {"3.4028235677e38", 3.40282347e38f},  // just below halfway to 2^128
        {"1e-45", 1.40129846e-45f},           // the smallest denormal
        {"0e99999999999999999999", 0.0f},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        LoadedMap level_map;
        ASSERT_TRUE(loads_one_entity(level_map, folder, "1", c.token)) << c.token;
        float x = level_map.map.layers[0].entities[0].x;
        EXPECT_EQ(x, c.x) << c.token;
        EXPECT_EQ(std::signbit(x), std::signbit(c.x)) << c.token;
    }
}

TEST(LoadMap, NumbersBeyondTheirRangeOrMalformedStopReading)
{
    struct Case {
        const char *type;
        const char *x;
        const char *message;  // after the file name
    } cases[] = {
        {"1", "3.4028235678e38",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"3.4028235678e38\", which is out of range"},
        {"1", "+340282356779733661637539395458142568448",  // halfway to 2^128: the even one
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"+340282356779733661637539395458142568448\", which is out of range"},
        {"1", "-1e99999999999999999999",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"-1e99999999999999999999\", which is out of range"},
        {"1", "+-1",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"+-1\""},
        {"1", "1.5e+",
         "line 3: expected the x position of entity #0 of layer #0 (a number) but found "
         "\"1.5e+\""},
        {"+-1", "0",
         "line 3: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"+-1\""},
        {"-", "0",
         "line 3: expected the type of entity #0 of layer #0 (a whole number) but found \"-\""},
        {"1+1", "0",
         "line 3: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"1+1\""},
        {"\xd9\xa3", "0",  // a digit of another script
         "line 3: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"\xd9\xa3\""},
        {"-2147483649", "0",
         "line 3: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"-2147483649\", which is out of range"},
        {"+99999999999999999999", "0",
         "line 3: expected the type of entity #0 of layer #0 (a whole number) but found "
         "\"+99999999999999999999\", which is out of range"},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        MessageRecorder recorder;
        LoadedMap level_map;
        std::string file = folder.write("map.txt", entity_level(c.type, c.x));
        load_map(level_map.map, file.c_str());
        EXPECT_EQ(messages, std::vector<std::string>{file + ", " + c.message + stop_note});
        EXPECT_EQ(level_map.map.layers[0].entity_count, 0) << c.message;
    }
}

TEST(LoadMap, WholeNumbersAtTheirEdgesAreRead)
{
    struct Case {
        const char *token;
        int32_t type;
    } cases[] = {
        {"+0", 0},
        {"-0", 0},
        {"00000000000000000000000042", 42},
        {"+2147483647", 2147483647},
        {"-00000000002147483648", -2147483647 - 1},
    };
    TempFolder folder;
    for (const Case &c : cases) {
        LoadedMap level_map;
        ASSERT_TRUE(loads_one_entity(level_map, folder, c.token, "0")) << c.token;
        EXPECT_EQ(level_map.map.layers[0].entities[0].type, c.type) << c.token;
    }
}

// A file of about a megabyte, read in pieces: every entity arrives whole,
// and the line of a fault at its end is counted through all of it.
TEST(LoadMap, LargeFileLoadsWholeAndCountsItsLines)
{
    const int entities = 40000;
    std::string text = "001\nt.bmp\n" + std::to_string(entities + 1) + "\n";
    for (int j = 0; j < entities; j++)
        text += "1\n" + std::to_string(j) + ".5 -3 1\t0 0 32 32\r\n0 0 0 " + std::to_string(j) + "\n";
    text += "1 abc 0 1 0 0 32 32 0 0 0 0\n";
    ASSERT_GT(text.size(), 1000000u);

    TempFolder folder;
    MessageRecorder recorder;
    LoadedMap level_map;
    std::string file = folder.write("map.txt", text);
    load_map(level_map.map, file.c_str());

    int last_line = 3 + 3 * entities + 1;
    EXPECT_EQ(messages, std::vector<std::string>{
                            file + ", line " + std::to_string(last_line) + ": expected the x "
                            "position of entity #" + std::to_string(entities) +
                            " of layer #0 (a number) but found \"abc\"" + stop_note});
    ASSERT_EQ(level_map.map.layers[0].entity_count, entities);
    const Entity &last = level_map.map.layers[0].entities[entities - 1];
    EXPECT_FLOAT_EQ(last.x, entities - 1 + 0.5f);
    EXPECT_FLOAT_EQ(last.y, -3);
    EXPECT_FLOAT_EQ(last.d4, entities - 1);
}
