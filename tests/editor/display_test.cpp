// The editor's drawing steps, checked pixel by pixel in memory bitmaps. Where
// text is checked, the expected picture is drawn left-aligned at the position
// the layout gives (right edge minus 8 pixels per character) and compared
// whole with what the step drew.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frame_step_fixture.h"

static int white()
{
    return makecol(255, 255, 255);
}

// Text whose last character ends just left of right_edge, as 8x8 cells.
static void text_ending_at(BITMAP *bmp, int right_edge, int y, const std::string &text)
{
    int x = right_edge - 8 * static_cast<int>(text.size());
    textprintf_ex(bmp, font, x, y, white(), -1, "%s", text.c_str());
}

static void text_at(BITMAP *bmp, int x, int y, const std::string &text)
{
    textprintf_ex(bmp, font, x, y, white(), -1, "%s", text.c_str());
}

struct DisplayTest : FrameStepTest {
    BITMAP *expected = nullptr;
    BITMAP *tileset = nullptr;

    void SetUp() override
    {
        FrameStepTest::SetUp();
        expected = create_bitmap(800, 600);
        clear_bitmap(expected);
        // Frame 0 of the tileset is red, frame 1 (from x = 32) blue, and a
        // 32x32 square in mask colour pink sits at (64, 0).
        tileset = create_bitmap(96, 32);
        rectfill(tileset, 0, 0, 31, 31, makecol(255, 0, 0));
        rectfill(tileset, 32, 0, 63, 31, makecol(0, 0, 255));
        rectfill(tileset, 64, 0, 95, 31, makecol(255, 0, 255));
    }

    void TearDown() override
    {
        destroy_bitmap(expected);
        if (level.tileset != tileset)
            destroy_bitmap(tileset);
        FrameStepTest::TearDown();
    }
};

// The header line and the pointer's world position, as every frame shows them.
static void expect_header(BITMAP *bmp, int shown_layer, int world_x, int world_y)
{
    text_at(bmp, 0, 0, "Active layer: " + std::to_string(shown_layer));
    char position[64];
    snprintf(position, sizeof position, "Mouse position: (%d;%d)", world_x, world_y);
    text_ending_at(bmp, 800, 0, position);
}

TEST_F(DisplayTest, PanelShowsEveryRowOfTheSelectedTileWithItsFormat)
{
    put_tile(0, 0, 0);
    Tile &tile = put_tile(0, -12, 345, 3);
    tile.type = 3;
    tile.d1 = 1.5f;
    tile.d2 = 0;
    tile.d3 = 1234.567f;
    tile.d4 = -2.25f;
    tile.setx[1] = 64;
    tile.sety[1] = 32;
    tile.sizex[1] = 16;
    tile.sizey[1] = 48;
    selected_tile = 1;
    active_frame = 1;
    edit_mode = 0;
    mouse_x = 10;
    mouse_y = 20;
    draw_text();

    expect_header(expected, 1, 10, 20);
    struct Row { int y; const char *label; const char *value; };
    const Row rows[] = {
        {10, "Tile x:", "-12"},       {20, "Tile y:", "345"},
        {30, "Tile type:", "3"},      {40, "Tile d1:", "1.500"},
        {50, "Tile d2:", "0.000"},    {60, "Tile d3:", "1234.567"},
        {70, "Tile d4:", "-2.250"},   {90, "Tile frames:", "3"},
        {100, "Active frame:", "1"},  {110, "Tile setx:", "64"},
        {120, "Tile sety:", "32"},    {130, "Frame size x:", "16"},
        {140, "Frame size y:", "48"},
    };
    for (const Row &row : rows) {
        text_at(expected, 0, row.y, row.label);
        text_ending_at(expected, 200, row.y, row.value);
    }
    EXPECT_EQ(first_difference(buffer, expected), "");
}

// The library's keyboard set-up adopts the user's locale. A locale whose
// decimal separator is a comma is built for the test (skipped where the
// locale sources are not installed).
TEST_F(DisplayTest, PanelDecimalsKeepTheirPointInACommaLocale)
{
    char folder[] = "/tmp/comma_locale.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string build = std::string("localedef -i de_DE -f UTF-8 ") + folder +
                        "/de_DE.UTF-8 > /dev/null 2>&1";
    int built = system(build.c_str());
    setenv("LOCPATH", folder, 1);
    std::string saved_locale = setlocale(LC_NUMERIC, nullptr);
    bool switched = built == 0 && setlocale(LC_NUMERIC, "de_DE.UTF-8");
    char printed[16] = "";
    snprintf(printed, sizeof printed, "%.3f", 1.5);

    Tile &tile = put_tile(0, 0, 0);
    tile.d1 = 1.5f;
    tile.d2 = -1234.5f;
    draw_text();
    setlocale(LC_NUMERIC, saved_locale.c_str());
    unsetenv("LOCPATH");
    std::filesystem::remove_all(folder);
    if (!switched || std::string(printed) != "1,500")
        GTEST_SKIP() << "no locale with a decimal comma could be built here";

    text_at(expected, 0, 40, "Tile d1:");
    text_ending_at(expected, 200, 40, "1.500");
    text_at(expected, 0, 50, "Tile d2:");
    text_ending_at(expected, 200, 50, "-1234.500");
    for (int y = 40; y < 60; y++)
        for (int x = 0; x < 200; x++)
            ASSERT_EQ(getpixel(buffer, x, y), getpixel(expected, x, y)) << x << ", " << y;
}

TEST_F(DisplayTest, EditMarkerUnderlinesTheCursorCellBelowTheEditedRow)
{
    // From the layout: eight cells from x = 136 for modes 1-4 and 7-10,
    // three cells from x = 176 for modes 5 and 6, one row below the field.
    struct Case { int mode; int cursor; int x1; int x2; int y; };
    const Case cases[] = {
        {1, 0, 136, 142, 50},  {4, 7, 192, 198, 80},  {2, 3, 160, 166, 60},
        {5, 0, 176, 182, 100}, {6, 2, 192, 198, 110}, {7, 1, 144, 150, 120},
        {10, 7, 192, 198, 150}, {9, 4, 168, 174, 140},
    };
    put_tile(0, 500, 500, 2);
    edit_mode = 0;
    draw_text();
    BITMAP *without_marker = create_bitmap(800, 600);
    blit(buffer, without_marker, 0, 0, 0, 0, 800, 600);
    for (const Case &c : cases) {
        clear_bitmap(buffer);
        edit_mode = c.mode;
        entry_cursor = c.cursor;
        draw_text();
        blit(without_marker, expected, 0, 0, 0, 0, 800, 600);
        for (int x = c.x1; x <= c.x2; x++)
            putpixel(expected, x, c.y, white());
        EXPECT_EQ(first_difference(buffer, expected), "") << "mode " << c.mode;
    }
    destroy_bitmap(without_marker);
}

TEST_F(DisplayTest, EmptyLayerShowsOnlyTheLayerAndThePointerEvenInEditMode)
{
    put_tile(0, 0, 0);
    active_layer = 4;
    edit_mode = 7;
    scroll_x = 5;
    scroll_y = -3;
    draw_text();
    expect_header(expected, 5, 5, -3);
    EXPECT_EQ(first_difference(buffer, expected), "");
}

TEST_F(DisplayTest, SelectedTileShowsItsActiveFrameAndTheOthersFrameZero)
{
    level.tileset = tileset;
    put_tile(0, 100, 100, 2).setx[1] = 32;
    put_tile(0, 200, 100, 2).setx[1] = 32;
    scroll_x = 50;
    scroll_y = -50;
    selected_tile = 1;
    active_frame = 1;
    draw_tiles();
    EXPECT_EQ(getpixel(buffer, 50, 150), makecol(255, 0, 0));
    EXPECT_EQ(getpixel(buffer, 81, 181), makecol(255, 0, 0));
    EXPECT_EQ(getpixel(buffer, 150, 150), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(buffer, 181, 181), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(buffer, 182, 181), 0);
    EXPECT_EQ(getpixel(buffer, 150, 149), 0);

    clear_bitmap(buffer);
    selected_tile = 0;
    draw_tiles();
    EXPECT_EQ(getpixel(buffer, 50, 150), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(buffer, 150, 150), makecol(255, 0, 0));
}

TEST_F(DisplayTest, OnlyTheActiveLayerIsDrawnAndHigherIndexesCoverLowerOnes)
{
    level.tileset = tileset;
    put_tile(0, 0, 0);
    put_tile(0, 16, 0).setx[0] = 32;
    put_tile(1, 300, 300);
    draw_tiles();
    EXPECT_EQ(getpixel(buffer, 15, 10), makecol(255, 0, 0));
    EXPECT_EQ(getpixel(buffer, 16, 10), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(buffer, 310, 310), 0);
}

TEST_F(DisplayTest, DrawTileBlitsFrameAtWorldPositionMinusViewWithMaskColourOpaque)
{
    Tile &tile = put_tile(0, 40, 60, 2);
    tile.setx[1] = 64;
    tile.sizex[1] = 20;
    tile.sizey[1] = 10;
    BITMAP *dest = create_bitmap(100, 100);
    clear_to_color(dest, makecol(0, 255, 0));
    draw_tile(tile, dest, tileset, 30, 40, 1);
    const int pink = makecol(255, 0, 255);
    EXPECT_EQ(getpixel(dest, 10, 20), pink);
    EXPECT_EQ(getpixel(dest, 29, 29), pink);
    EXPECT_EQ(getpixel(dest, 30, 29), makecol(0, 255, 0));
    EXPECT_EQ(getpixel(dest, 29, 30), makecol(0, 255, 0));
    EXPECT_EQ(getpixel(dest, 9, 20), makecol(0, 255, 0));
    destroy_bitmap(dest);
}

TEST_F(DisplayTest, FramesReachingOutOfTheTilesetOrTheWindowAreClipped)
{
    level.tileset = tileset;
    // Each frame is set before the next tile is added: adding moves the layer's array.
    put_tile(0, -16, 590).setx[0] = 32;
    put_tile(0, 400, 300).setx[0] = 80;
    draw_tiles();
    EXPECT_EQ(getpixel(buffer, 0, 590), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(buffer, 15, 599), makecol(0, 0, 255));
    EXPECT_EQ(getpixel(buffer, 16, 599), 0);
    EXPECT_EQ(getpixel(buffer, 415, 300), makecol(255, 0, 255));
    EXPECT_EQ(getpixel(buffer, 416, 300), 0);
}

// A level file may hold any 32-bit values; the copy must still take only
// what lies inside both the tileset and the buffer.
TEST_F(DisplayTest, FramesNearThe32BitLimitsAreClippedToTilesetAndBuffer)
{
    const int32_t most = 2147483647;
    const int32_t least = -most - 1;
    const int red = makecol(255, 0, 0);
    const int blue = makecol(0, 0, 255);
    const int pink = makecol(255, 0, 255);
    struct Probe { int x; int colour; };
    struct Case {
        const char *name;
        int32_t x, setx, sizex, view_x;
        std::vector<Probe> probes;
    } cases[] = {
        // Tileset columns 5..95 land on buffer columns 10..100.
        {"widest frame from inside the tileset", 10, 5, most, 0,
         {{9, 0}, {10, red}, {37, blue}, {69, pink}, {100, pink}, {101, 0}}},
        {"frame starting far left of the tileset", 10, least, 32, 0, {{10, 0}, {41, 0}}},
        {"frame starting far right of the tileset", 10, most, 32, 0, {{10, 0}, {41, 0}}},
        {"tile far right of the view", most, 0, 32, -10, {{0, 0}, {799, 0}}},
        {"tile far left of the view", least, 0, most, 1, {{0, 0}, {799, 0}}},
    };
    for (const Case &c : cases) {
        BITMAP *dest = create_bitmap(800, 40);
        clear_bitmap(dest);
        Tile tile(c.x, 0, 1, 0, 0, 0, 0, 1);
        tile.setx[0] = c.setx;
        tile.sizex[0] = c.sizex;
        draw_tile(tile, dest, tileset, c.view_x, 0, 0);
        for (const Probe &p : c.probes)
            EXPECT_EQ(getpixel(dest, p.x, 20), p.colour) << c.name << ", x " << p.x;
        free_frames(tile);
        destroy_bitmap(dest);
    }
}

TEST_F(DisplayTest, WithoutTilesetEachTileIsOutlinedInGrey)
{
    Tile &tile = put_tile(0, 100, 200);
    tile.sizex[0] = 40;
    tile.sizey[0] = 20;
    put_tile(0, 300, 300).sizex[0] = 0;
    scroll_x = 10;
    scroll_y = 20;
    draw_tiles();
    const int grey = makecol(160, 160, 160);
    EXPECT_EQ(getpixel(buffer, 90, 180), grey);
    EXPECT_EQ(getpixel(buffer, 129, 180), grey);
    EXPECT_EQ(getpixel(buffer, 90, 199), grey);
    EXPECT_EQ(getpixel(buffer, 129, 199), grey);
    EXPECT_EQ(getpixel(buffer, 110, 190), 0);
    EXPECT_EQ(getpixel(buffer, 130, 180), 0);
    EXPECT_EQ(getpixel(buffer, 290, 280), 0);
}

TEST_F(DisplayTest, OutlineOfAFrameWiderThanTheBufferRunsToTheBuffersEdge)
{
    Tile &tile = put_tile(0, 100, 100);
    tile.sizex[0] = 2147483647;
    tile.sizey[0] = 20;
    draw_tiles();
    const int grey = makecol(160, 160, 160);
    EXPECT_EQ(getpixel(buffer, 100, 110), grey) << "left edge";
    EXPECT_EQ(getpixel(buffer, 450, 100), grey) << "top edge";
    EXPECT_EQ(getpixel(buffer, 799, 119), grey) << "bottom edge";
    EXPECT_EQ(getpixel(buffer, 99, 100), 0) << "nothing left of the tile";
    EXPECT_EQ(getpixel(buffer, 799, 110), 0) << "the right edge lies beyond the buffer";
}

TEST_F(DisplayTest, OriginOverlayMarksTheOriginJoinedToThePointerUnderTheTiles)
{
    level.tileset = tileset;
    scroll_x = -100;
    scroll_y = -100;
    mouse_x = 300;
    mouse_y = 100;
    put_tile(0, 150, 0);
    draw_origin_overlay();
    draw_tiles();
    EXPECT_EQ(getpixel(buffer, 100, 100), white());
    EXPECT_EQ(getpixel(buffer, 95, 100), white());
    EXPECT_EQ(getpixel(buffer, 100, 105), white());
    EXPECT_EQ(getpixel(buffer, 100, 107), 0);
    EXPECT_EQ(getpixel(buffer, 200, 100), white());
    EXPECT_EQ(getpixel(buffer, 300, 100), white());
    EXPECT_EQ(getpixel(buffer, 250, 100), makecol(255, 0, 0));
    EXPECT_EQ(getpixel(buffer, 200, 101), 0);
}

TEST_F(DisplayTest, TextLiesOverTheTiles)
{
    level.tileset = tileset;
    put_tile(0, 0, 0);
    draw_tiles();
    draw_text();
    // Where the layer line has white pixels in the top-left square they stay white.
    text_at(expected, 0, 0, "Active layer: 1");
    int white_pixels = 0;
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 32; x++) {
            int wanted = getpixel(expected, x, y) == white() ? white() : makecol(255, 0, 0);
            EXPECT_EQ(getpixel(buffer, x, y), wanted) << x << ", " << y;
            white_pixels += wanted == white();
        }
    EXPECT_GT(white_pixels, 0);
}

TEST_F(DisplayTest, PresentingCopiesTheFrameToTheScreenAndClearsTheBuffer)
{
    rectfill(buffer, 10, 10, 20, 20, white());
    present_frame();
    EXPECT_EQ(getpixel(screen, 15, 15), white());
    EXPECT_EQ(getpixel(screen, 21, 21), 0);
    EXPECT_EQ(getpixel(buffer, 15, 15), 0);
}
