// Keyboard field entry. The key buffer is replaced through the library's own
// keyboard hooks by a queue the test fills; arrow keys are also held in key[]
// while their buffered entry is read, as the library does.
#include <cmath>
#include <deque>

#include "frame_step_fixture.h"

static std::deque<int> buffered_keys;

static int fake_keypressed()
{
    return !buffered_keys.empty();
}

static int fake_readkey()
{
    int k = buffered_keys.front();
    buffered_keys.pop_front();
    return k;
}

struct FieldEntryTest : FrameStepTest {
    void SetUp() override
    {
        FrameStepTest::SetUp();
        install_keyboard_hooks(fake_keypressed, fake_readkey);
        buffered_keys.clear();
    }

    // One frame of field entry reading a typed digit or other character.
    void type(char c)
    {
        buffered_keys.push_back(c);
        enter_field();
    }

    // One frame of field entry reading a key without character, held meanwhile.
    void press(int scancode)
    {
        key[scancode] = 1;
        buffered_keys.push_back(scancode << 8);
        enter_field();
        key[scancode] = 0;
    }

    void type_all(const char *digits)
    {
        for (const char *c = digits; *c; c++)
            type(*c);
    }
};

TEST_F(FieldEntryTest, FirstDigitAtCursorZeroStoresTenMillionInSetx)
{
    put_tile(0, 0, 0);
    edit_mode = 7;
    type('1');
    EXPECT_STREQ(entry_buffer, "10000000");
    EXPECT_EQ(level.layers[0].tiles[0].setx[0], 10000000);
    EXPECT_EQ(entry_cursor, 1);
}

TEST_F(FieldEntryTest, CursorStopsAtTheLastPlaceAndADigitThereOverwritesIt)
{
    put_tile(0, 0, 0);
    edit_mode = 7;
    for (int i = 0; i < 6; i++)
        press(KEY_RIGHT);
    type_all("32");
    EXPECT_STREQ(entry_buffer, "00000032");
    EXPECT_EQ(level.layers[0].tiles[0].setx[0], 32);
    EXPECT_EQ(entry_cursor, 7);

    press(KEY_RIGHT);
    EXPECT_EQ(entry_cursor, 7);
    type('5');
    EXPECT_STREQ(entry_buffer, "00000035");
    EXPECT_EQ(level.layers[0].tiles[0].setx[0], 35);
    EXPECT_EQ(entry_cursor, 7);
}

TEST_F(FieldEntryTest, LeftStopsAtTheFirstPlace)
{
    put_tile(0, 0, 0);
    edit_mode = 7;
    entry_cursor = 1;
    press(KEY_LEFT);
    EXPECT_EQ(entry_cursor, 0);
    press(KEY_LEFT);
    EXPECT_EQ(entry_cursor, 0);
}

TEST_F(FieldEntryTest, ParameterModesStoreTheEntryInThousandths)
{
    struct Case { int mode; float Tile::*field; };
    const Case cases[] = {
        {1, &Tile::d1}, {2, &Tile::d2}, {3, &Tile::d3}, {4, &Tile::d4},
    };
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 0, 0);
        edit_mode = c.mode;
        strcpy(entry_buffer, "00001000");
        entry_cursor = 5;
        type('5');
        EXPECT_STREQ(entry_buffer, "00001500");
        EXPECT_FLOAT_EQ(level.layers[0].tiles[0].*c.field, 1.5f) << "mode " << c.mode;
    }
}

TEST_F(FieldEntryTest, LargestParameterEntryIsOneThousandthBelowAHundredThousand)
{
    put_tile(0, 0, 0);
    edit_mode = 2;
    type_all("99999999");
    EXPECT_EQ(level.layers[0].tiles[0].d2, static_cast<float>(99999.999));
    EXPECT_EQ(level.layers[0].tiles[0].d1, 0);
}

TEST_F(FieldEntryTest, RectangleModesWriteTheActiveFramesField)
{
    struct Case { int mode; int32_t *Tile::*field; };
    const Case cases[] = {
        {7, &Tile::setx}, {8, &Tile::sety}, {9, &Tile::sizex}, {10, &Tile::sizey},
    };
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 0, 0, 3);
        active_frame = 1;
        edit_mode = c.mode;
        strcpy(entry_buffer, "00000000");
        entry_cursor = 6;
        type('4');
        type('8');
        const Tile &tile = level.layers[0].tiles[0];
        EXPECT_EQ((tile.*c.field)[1], 48) << "mode " << c.mode;
        int32_t untouched = c.mode <= 8 ? 0 : 32;
        EXPECT_EQ((tile.*c.field)[0], untouched) << "mode " << c.mode;
        EXPECT_EQ((tile.*c.field)[2], untouched) << "mode " << c.mode;
    }
}

TEST_F(FieldEntryTest, FrameCountEntryAddsNewFramesAndKeepsTheOldOnes)
{
    Tile &tile = put_tile(0, 0, 0);
    tile.setx[0] = 1;
    tile.sety[0] = 2;
    tile.sizex[0] = 3;
    tile.sizey[0] = 4;
    edit_mode = 5;
    press(KEY_RIGHT);
    press(KEY_RIGHT);
    type('2');
    EXPECT_STREQ(entry_buffer, "00200000");
    const Tile &edited = level.layers[0].tiles[0];
    ASSERT_EQ(edited.frames, 2);
    EXPECT_EQ(edited.setx[0], 1);
    EXPECT_EQ(edited.sety[0], 2);
    EXPECT_EQ(edited.sizex[0], 3);
    EXPECT_EQ(edited.sizey[0], 4);
    EXPECT_EQ(edited.setx[1], 0);
    EXPECT_EQ(edited.sety[1], 0);
    EXPECT_EQ(edited.sizex[1], 32);
    EXPECT_EQ(edited.sizey[1], 32);
}

TEST_F(FieldEntryTest, FrameCountEntryOfZeroKeepsOneFrameAndLowersActiveFrame)
{
    Tile &tile = put_tile(0, 0, 0, 3);
    tile.setx[0] = 7;
    active_frame = 2;
    edit_mode = 5;
    strcpy(entry_buffer, "00012345");
    type('0');
    const Tile &edited = level.layers[0].tiles[0];
    EXPECT_EQ(edited.frames, 1);
    EXPECT_EQ(edited.setx[0], 7);
    EXPECT_EQ(active_frame, 0);
}

TEST_F(FieldEntryTest, FrameCountEntryKeepsActiveFrameThatStillExists)
{
    put_tile(0, 0, 0, 5);
    active_frame = 1;
    edit_mode = 5;
    strcpy(entry_buffer, "00300000");
    type('0');
    EXPECT_EQ(level.layers[0].tiles[0].frames, 3);
    EXPECT_EQ(active_frame, 1);
}

TEST_F(FieldEntryTest, ActiveFrameEntryIsLoweredToTheLastFrame)
{
    struct Case { const char *entry; int32_t expected; };
    const Case cases[] = {{"00000000", 0}, {"00100000", 1}, {"00200000", 2}, {"00599999", 2},
                          {"99900000", 2}};
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 0, 0, 3);
        edit_mode = 6;
        strcpy(entry_buffer, c.entry);
        entry_cursor = 0;
        type(c.entry[0]);
        EXPECT_EQ(active_frame, c.expected) << c.entry;
    }
}

TEST_F(FieldEntryTest, FrameModesStopTheCursorAtTheThirdPlace)
{
    for (int mode : {5, 6}) {
        free_map(level);
        put_tile(0, 0, 0, 3);
        edit_mode = mode;
        strcpy(entry_buffer, "00000000");
        entry_cursor = 2;
        press(KEY_RIGHT);
        EXPECT_EQ(entry_cursor, 2) << "mode " << mode;
        type('1');
        EXPECT_STREQ(entry_buffer, "00100000") << "mode " << mode;
        EXPECT_EQ(entry_cursor, 2) << "mode " << mode;
    }
}

TEST_F(FieldEntryTest, CursorLeftBeyondTheFrameFieldWritesThereAndOnlyMovesLeft)
{
    put_tile(0, 0, 0, 2);
    edit_mode = 5;
    entry_cursor = 7;
    type('9');
    EXPECT_STREQ(entry_buffer, "00000009");
    EXPECT_EQ(entry_cursor, 7);
    EXPECT_EQ(level.layers[0].tiles[0].frames, 1);
    press(KEY_RIGHT);
    EXPECT_EQ(entry_cursor, 7);
    press(KEY_LEFT);
    EXPECT_EQ(entry_cursor, 6);
}

TEST_F(FieldEntryTest, UpAndDownStepTheModeWithinZeroToTenAndWaitForRelease)
{
    struct Case { int scancode; int from; int to; };
    const Case cases[] = {
        {KEY_UP, 1, 0}, {KEY_UP, 6, 5}, {KEY_DOWN, 6, 7}, {KEY_DOWN, 9, 10}, {KEY_DOWN, 10, 10},
    };
    for (const Case &c : cases) {
        edit_mode = c.from;
        wait_turns = 0;
        press(c.scancode);
        EXPECT_EQ(edit_mode, c.to) << "from " << c.from;
        EXPECT_GT(wait_turns, 0) << "from " << c.from;
    }
}

TEST_F(FieldEntryTest, KeyReadWhileUpIsHeldIsDropped)
{
    put_tile(0, 0, 0);
    edit_mode = 8;
    key[KEY_UP] = 1;
    type('4');
    EXPECT_EQ(edit_mode, 7);
    EXPECT_STREQ(entry_buffer, "00000000");
    EXPECT_EQ(level.layers[0].tiles[0].sety[0], 0);
}

TEST_F(FieldEntryTest, NothingHappensWithoutABufferedKey)
{
    put_tile(0, 0, 0);
    edit_mode = 7;
    key[KEY_UP] = 1;
    key[KEY_RIGHT] = 1;
    enter_field();
    EXPECT_EQ(edit_mode, 7);
    EXPECT_EQ(entry_cursor, 0);
    EXPECT_EQ(wait_turns, 0);
}

TEST_F(FieldEntryTest, OneBufferedKeyIsReadPerFrame)
{
    put_tile(0, 0, 0);
    edit_mode = 7;
    buffered_keys = {'1', '2', '3'};
    enter_field();
    EXPECT_STREQ(entry_buffer, "10000000");
    EXPECT_EQ(buffered_keys.size(), 2u);
    enter_field();
    enter_field();
    EXPECT_STREQ(entry_buffer, "12300000");
    EXPECT_EQ(level.layers[0].tiles[0].setx[0], 12300000);
}

TEST_F(FieldEntryTest, OtherKeysChangeNothing)
{
    put_tile(0, 0, 0);
    edit_mode = 7;
    entry_cursor = 3;
    type('\r');
    type('a');
    EXPECT_STREQ(entry_buffer, "00000000");
    EXPECT_EQ(entry_cursor, 3);
    EXPECT_EQ(edit_mode, 7);
}

TEST_F(FieldEntryTest, EmptyLayerTakesKeysButStoresNothing)
{
    put_tile(1, 0, 0, 3);
    active_frame = 1;
    edit_mode = 6;
    type('2');
    EXPECT_STREQ(entry_buffer, "20000000");
    EXPECT_EQ(entry_cursor, 1);
    EXPECT_EQ(active_frame, 1);

    press(KEY_DOWN);
    EXPECT_EQ(edit_mode, 7);
    press(KEY_LEFT);
    EXPECT_EQ(entry_cursor, 0);
    for (int mode = 1; mode <= 10; mode++) {
        edit_mode = mode;
        type('5');
    }
    EXPECT_EQ(level.layers[0].tile_count, 0);
    EXPECT_EQ(level.layers[1].tiles[0].frames, 3);
    EXPECT_EQ(level.layers[1].tiles[0].setx[1], 0);
}

TEST_F(FieldEntryTest, EntryWritesTheSelectedTileOfTheActiveLayer)
{
    put_tile(0, 0, 0);
    put_tile(1, 0, 0);
    put_tile(1, 100, 0);
    active_layer = 1;
    selected_tile = 1;
    edit_mode = 7;
    type('3');
    EXPECT_EQ(level.layers[1].tiles[1].setx[0], 30000000);
    EXPECT_EQ(level.layers[1].tiles[0].setx[0], 0);
    EXPECT_EQ(level.layers[0].tiles[0].setx[0], 0);
}
