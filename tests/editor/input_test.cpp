// The mouse and navigation steps, driven by setting key[], key_shifts and the
// mouse variables the way the library would, one frame step at a time.
#include <vector>

#include "frame_step_fixture.h"

using InputTest = FrameStepTest;

TEST_F(InputTest, HitRectangleLeavesOutTheTilesFirstColumnAndRow)
{
    // The tile at world (100, 50) with the view at (10, 20) covers window
    // pixels 90..121 x 30..61; only 91..121 x 31..61 hit.
    struct Case { int mx, my; bool hit; };
    const Case cases[] = {
        {90, 40, false}, {91, 40, true},  {121, 40, true}, {122, 40, false},
        {100, 30, false}, {100, 31, true}, {100, 61, true}, {100, 62, false},
    };
    put_tile(0, 1000, 1000);
    put_tile(0, 100, 50);
    scroll_x = 10;
    scroll_y = 20;
    for (const Case &c : cases) {
        selected_tile = 0;
        mouse_x = c.mx;
        mouse_y = c.my;
        select_hovered_tile();
        EXPECT_EQ(selected_tile, c.hit ? 1 : 0) << "pointer at " << c.mx << ", " << c.my;
    }
}

TEST_F(InputTest, HitRectangleHasTheSizeOfFrameZero)
{
    put_tile(0, 1000, 1000);
    Tile &tile = put_tile(0, 0, 0, 2);
    tile.sizex[1] = 64;
    tile.sizey[1] = 64;
    active_frame = 1;
    mouse_x = 40;
    mouse_y = 10;
    select_hovered_tile();
    EXPECT_EQ(selected_tile, 0);
    mouse_x = 31;
    select_hovered_tile();
    EXPECT_EQ(selected_tile, 1);
}

TEST_F(InputTest, HitRectangleOfATileNearThe32BitLimitsIsExact)
{
    const int32_t most = 2147483647;
    struct Case { int32_t x; int32_t sizex; int32_t view_x; int mx; bool hit; };
    const Case cases[] = {
        {0, most, -100, 150, true},    // the widest tile reaches across the window
        {0, most, -100, 100, false},   // its own first column
        {-most - 1, most, 0, 10, false},
        {most, 32, -10, 10, false},
    };
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 5000, 5000);
        Tile &tile = put_tile(0, c.x, 0);
        tile.sizex[0] = c.sizex;
        scroll_x = c.view_x;
        selected_tile = 0;
        mouse_x = c.mx;
        mouse_y = 10;
        select_hovered_tile();
        EXPECT_EQ(selected_tile, c.hit ? 1 : 0) << "x " << c.x << ", view " << c.view_x;
    }
}

TEST_F(InputTest, HoverKeepsTheSelectionWhenNoTileIsUnderThePointer)
{
    put_tile(0, 0, 0);
    put_tile(0, 100, 0);
    selected_tile = 1;
    mouse_x = 500;
    mouse_y = 500;
    select_hovered_tile();
    EXPECT_EQ(selected_tile, 1);
}

TEST_F(InputTest, HoverSelectsTheLowestIndexWhileLeftClickRaisesTheTopmost)
{
    put_tile(0, 100, 100);
    put_tile(0, 110, 110);
    put_tile(0, 120, 120);
    mouse_x = 125;
    mouse_y = 125;
    select_hovered_tile();
    EXPECT_EQ(selected_tile, 0);

    mouse_b = 1;
    handle_mouse_buttons();
    const Layer &layer = level.layers[0];
    EXPECT_EQ(layer.tile_count, 3);
    EXPECT_EQ(layer.tiles[0].type, 1);
    EXPECT_EQ(layer.tiles[1].type, 1);
    EXPECT_EQ(layer.tiles[2].type, 2);
    EXPECT_EQ(selected_tile, 0);
    EXPECT_GT(wait_turns, 0);
}

TEST_F(InputTest, LeftClickOverEmptySpacePlacesABlockAtThePointersWorldPosition)
{
    put_tile(0, 0, 0);
    scroll_x = 5;
    scroll_y = -3;
    mouse_x = 400;
    mouse_y = 300;
    mouse_b = 1;
    handle_mouse_buttons();

    const Layer &layer = level.layers[0];
    ASSERT_EQ(layer.tile_count, 2);
    const Tile &tile = layer.tiles[1];
    EXPECT_EQ(tile.x, 405);
    EXPECT_EQ(tile.y, 297);
    EXPECT_EQ(tile.type, 1);
    EXPECT_EQ(tile.d1, 0);
    EXPECT_EQ(tile.d2, 0);
    EXPECT_EQ(tile.d3, 0);
    EXPECT_EQ(tile.d4, 0);
    ASSERT_EQ(tile.frames, 1);
    EXPECT_EQ(tile.setx[0], 0);
    EXPECT_EQ(tile.sety[0], 0);
    EXPECT_EQ(tile.sizex[0], 32);
    EXPECT_EQ(tile.sizey[0], 32);
    EXPECT_EQ(selected_tile, 1);
    EXPECT_GT(wait_turns, 0);
    EXPECT_EQ(mouse_b, 0);
}

TEST_F(InputTest, SecondClickAtTheSamePointPlacesAgainButOnePixelInsideRaisesType)
{
    mouse_x = 50;
    mouse_y = 60;
    mouse_b = 1;
    handle_mouse_buttons();
    mouse_b = 1;
    handle_mouse_buttons();
    ASSERT_EQ(level.layers[0].tile_count, 2);
    EXPECT_EQ(level.layers[0].tiles[1].x, 50);
    EXPECT_EQ(level.layers[0].tiles[1].y, 60);

    mouse_x = 51;
    mouse_y = 61;
    mouse_b = 1;
    handle_mouse_buttons();
    ASSERT_EQ(level.layers[0].tile_count, 2);
    EXPECT_EQ(level.layers[0].tiles[1].type, 2);
    EXPECT_EQ(level.layers[0].tiles[0].type, 1);
}

TEST_F(InputTest, LeftClicksRaiseTypeWithoutUpperBound)
{
    Tile &tile = put_tile(0, 0, 0);
    tile.type = 3;
    mouse_x = 10;
    mouse_y = 10;
    for (int expected : {4, 5, 6}) {
        mouse_b = 1;
        handle_mouse_buttons();
        EXPECT_EQ(level.layers[0].tiles[0].type, expected);
    }
}

TEST_F(InputTest, OnlyLeftCtrlMakesTheLeftButtonPlaceOverATile)
{
    struct Case { int held_key; int expected_count; int expected_type; };
    const Case cases[] = {
        {KEY_LCONTROL, 2, 1},
        {KEY_RCONTROL, 1, 2},
    };
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 0, 0);
        selected_tile = 0;
        mouse_x = 10;
        mouse_y = 10;
        key[c.held_key] = 1;
        mouse_b = 1;
        handle_mouse_buttons();
        const Layer &layer = level.layers[0];
        ASSERT_EQ(layer.tile_count, c.expected_count) << "key " << c.held_key;
        EXPECT_EQ(layer.tiles[0].type, c.expected_type) << "key " << c.held_key;
        EXPECT_EQ(selected_tile, c.expected_count - 1) << "key " << c.held_key;
    }
}

TEST_F(InputTest, RightClickLowersTypeAndRemovesBelowZeroOrWithLeftCtrl)
{
    struct Case { int type; int held_key; int expected_count; int expected_type; };
    const Case cases[] = {
        {2, 0, 1, 1},
        {1, 0, 1, 0},
        {0, 0, 0, 0},
        {3, KEY_LCONTROL, 0, 0},
        {3, KEY_RCONTROL, 1, 2},
    };
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 0, 0).type = c.type;
        mouse_x = 10;
        mouse_y = 10;
        if (c.held_key) {
            key[c.held_key] = 1;
        }
        mouse_b = 2;
        handle_mouse_buttons();
        const Layer &layer = level.layers[0];
        ASSERT_EQ(layer.tile_count, c.expected_count) << "type " << c.type << " key " << c.held_key;
        if (c.expected_count) {
            EXPECT_EQ(layer.tiles[0].type, c.expected_type) << "type " << c.type;
        }
    }
}

// Under X11 the library holds KEY_LCONTROL down together with KEY_RCONTROL
// while only the right Ctrl key is pressed; that is still the right Ctrl key.
TEST_F(InputTest, RightCtrlReportedWithLeftCtrlNeitherPlacesNorRemoves)
{
    struct Case { int button; int expected_type; };
    const Case cases[] = {
        {1, 3},  // left: raises the tile's type instead of placing
        {2, 1},  // right: lowers it and keeps the tile
    };
    for (const Case &c : cases) {
        free_map(level);
        put_tile(0, 0, 0).type = 2;
        mouse_x = 10;
        mouse_y = 10;
        key[KEY_LCONTROL] = 1;
        key[KEY_RCONTROL] = 1;
        mouse_b = c.button;
        handle_mouse_buttons();
        const Layer &layer = level.layers[0];
        ASSERT_EQ(layer.tile_count, 1) << "button " << c.button;
        EXPECT_EQ(layer.tiles[0].type, c.expected_type) << "button " << c.button;
    }
}

TEST_F(InputTest, RightClickActsOnTheTopmostTileOnly)
{
    put_tile(0, 100, 100).type = 2;
    put_tile(0, 110, 110).type = 2;
    mouse_x = 120;
    mouse_y = 120;
    mouse_b = 2;
    handle_mouse_buttons();
    EXPECT_EQ(level.layers[0].tiles[0].type, 2);
    EXPECT_EQ(level.layers[0].tiles[1].type, 1);
}

TEST_F(InputTest, RightClickOverNothingChangesNothingButStillWaitsForRelease)
{
    mouse_x = 10;
    mouse_y = 10;
    mouse_b = 2;
    handle_mouse_buttons();
    EXPECT_EQ(level.layers[0].tile_count, 0);
    EXPECT_GT(wait_turns, 0);

    put_tile(0, 300, 300).type = 2;
    wait_turns = 0;
    mouse_b = 2;
    handle_mouse_buttons();
    EXPECT_EQ(level.layers[0].tile_count, 1);
    EXPECT_EQ(level.layers[0].tiles[0].type, 2);
    EXPECT_GT(wait_turns, 0);
}

static std::vector<int> released_buttons;

// Lets go of one button per wait turn, the left one first.
static void release_one_button()
{
    int lowest = mouse_b & -mouse_b;
    released_buttons.push_back(lowest);
    mouse_b &= ~lowest;
}

TEST_F(InputTest, BothButtonsRunTheLeftActionThenTheRightWhileItIsStillHeld)
{
    released_buttons.clear();
    release_wait_turn = release_one_button;
    put_tile(0, 0, 0);
    mouse_x = 10;
    mouse_y = 10;
    mouse_b = 3;
    handle_mouse_buttons();
    EXPECT_EQ(released_buttons, (std::vector<int>{1, 2}));
    EXPECT_EQ(level.layers[0].tiles[0].type, 1);

    // Both let go during the left button's wait: the right action never runs.
    release_wait_turn = release_everything;
    mouse_b = 3;
    handle_mouse_buttons();
    EXPECT_EQ(level.layers[0].tiles[0].type, 2);
}

TEST_F(InputTest, RemovalKeepsTheSelectionOnAnExistingTile)
{
    // Tiles at x = 0, 100, 200; the right click with left Ctrl removes one.
    struct Case { int selected; int removed; int expected_selected; };
    const Case cases[] = {
        {2, 0, 1},
        {2, 2, 1},
        {0, 2, 0},
        {1, 0, 1},
    };
    for (const Case &c : cases) {
        free_map(level);
        for (int32_t x : {0, 100, 200})
            put_tile(0, x, 0);
        selected_tile = c.selected;
        key[KEY_LCONTROL] = 1;
        mouse_x = 100 * c.removed + 10;
        mouse_y = 10;
        mouse_b = 2;
        handle_mouse_buttons();
        ASSERT_EQ(level.layers[0].tile_count, 2);
        EXPECT_EQ(selected_tile, c.expected_selected)
            << "selected " << c.selected << ", removed " << c.removed;
    }
}

TEST_F(InputTest, RemovingTheLastTileLeavesSelectionZero)
{
    put_tile(0, 0, 0);
    mouse_x = 10;
    mouse_y = 10;
    key[KEY_LCONTROL] = 1;
    mouse_b = 2;
    handle_mouse_buttons();
    EXPECT_EQ(level.layers[0].tile_count, 0);
    EXPECT_EQ(selected_tile, 0);
}

TEST_F(InputTest, ActiveFrameIsLoweredWhenTheSelectionMovesToATileWithFewerFrames)
{
    put_tile(0, 0, 0, 3);
    put_tile(0, 100, 0, 2);
    put_tile(0, 200, 0, 5);
    active_frame = 2;
    mouse_y = 10;

    mouse_x = 210;
    select_hovered_tile();
    EXPECT_EQ(selected_tile, 2);
    EXPECT_EQ(active_frame, 2);

    mouse_x = 110;
    select_hovered_tile();
    EXPECT_EQ(selected_tile, 1);
    EXPECT_EQ(active_frame, 1);
}

TEST_F(InputTest, PlacementAndRemovalLowerActiveFrame)
{
    put_tile(0, 0, 0, 3);
    active_frame = 2;
    mouse_x = 300;
    mouse_y = 300;
    mouse_b = 1;
    handle_mouse_buttons();
    EXPECT_EQ(selected_tile, 1);
    EXPECT_EQ(active_frame, 0);

    free_map(level);
    put_tile(0, 0, 0, 1);
    put_tile(0, 100, 0, 3);
    put_tile(0, 200, 0, 3);
    selected_tile = 2;
    active_frame = 2;
    key[KEY_LCONTROL] = 1;
    mouse_x = 110;
    mouse_y = 10;
    mouse_b = 2;
    handle_mouse_buttons();
    EXPECT_EQ(selected_tile, 1);
    EXPECT_EQ(active_frame, 2);

    // Tiles now at x = 0 (one frame) and 200; removing the second leaves index 0.
    key[KEY_LCONTROL] = 1;
    mouse_x = 210;
    mouse_b = 2;
    handle_mouse_buttons();
    EXPECT_EQ(selected_tile, 0);
    EXPECT_EQ(active_frame, 0);
}

TEST_F(InputTest, ScrollStepIsOnePlusFiveForShiftPlusTwentyForCtrl)
{
    struct Case { int shifts; int step; };
    const Case cases[] = {
        {0, 1},
        {KB_SHIFT_FLAG, 6},
        {KB_CTRL_FLAG, 21},
        {KB_SHIFT_FLAG | KB_CTRL_FLAG, 26},
    };
    struct Arrow { int code; int dx; int dy; };
    const Arrow arrows[] = {
        {KEY_LEFT, -1, 0}, {KEY_RIGHT, 1, 0}, {KEY_UP, 0, -1}, {KEY_DOWN, 0, 1},
    };
    for (const Case &c : cases) {
        for (const Arrow &a : arrows) {
            scroll_x = 40;
            scroll_y = -40;
            key_shifts = c.shifts;
            key[a.code] = 1;
            scroll_view();
            key[a.code] = 0;
            EXPECT_EQ(scroll_x, 40 + a.dx * c.step) << "shifts " << c.shifts << " key " << a.code;
            EXPECT_EQ(scroll_y, -40 + a.dy * c.step) << "shifts " << c.shifts << " key " << a.code;
        }
    }
}

TEST_F(InputTest, ScrollingRepeatsEveryFrameAndOppositeKeysCancel)
{
    key[KEY_RIGHT] = 1;
    for (int frame = 0; frame < 3; frame++)
        scroll_view();
    EXPECT_EQ(scroll_x, 3);
    EXPECT_EQ(wait_turns, 0);

    key[KEY_LEFT] = 1;
    key[KEY_UP] = 1;
    key[KEY_DOWN] = 1;
    key_shifts = KB_SHIFT_FLAG;
    scroll_view();
    EXPECT_EQ(scroll_x, 3);
    EXPECT_EQ(scroll_y, 0);
}

TEST_F(InputTest, KeypadPlusAndMinusWrapThroughTheFiveLayersAndSelectIndexZero)
{
    struct Case { int key_code; int from; int to; };
    const Case cases[] = {
        {KEY_PLUS_PAD, 0, 1}, {KEY_PLUS_PAD, 4, 0},
        {KEY_MINUS_PAD, 3, 2}, {KEY_MINUS_PAD, 0, 4},
    };
    for (const Case &c : cases) {
        free_map(level);
        for (int layer = 0; layer < layer_count; layer++)
            for (int32_t x : {0, 100, 200})
                put_tile(layer, x, 0);
        active_layer = c.from;
        selected_tile = 2;
        wait_turns = 0;
        key[c.key_code] = 1;
        switch_layers();
        EXPECT_EQ(active_layer, c.to) << "from " << c.from;
        EXPECT_EQ(selected_tile, 0) << "from " << c.from;
        EXPECT_GT(wait_turns, 0) << "from " << c.from;
    }
}

TEST_F(InputTest, LayerSwitchLowersActiveFrameToTheNewLayersFirstTile)
{
    put_tile(0, 0, 0, 4);
    put_tile(1, 0, 0, 2);
    active_frame = 3;
    key[KEY_PLUS_PAD] = 1;
    switch_layers();
    EXPECT_EQ(active_layer, 1);
    EXPECT_EQ(active_frame, 1);
}

TEST_F(InputTest, NoLayerKeyHeldChangesNothing)
{
    put_tile(0, 0, 0);
    put_tile(0, 100, 0);
    selected_tile = 1;
    switch_layers();
    EXPECT_EQ(active_layer, 0);
    EXPECT_EQ(selected_tile, 1);
    EXPECT_EQ(wait_turns, 0);
}

TEST_F(InputTest, EnterGivesModeOneFromNavigationAndNavigationFromAnyOtherMode)
{
    struct Case { int from; int to; };
    const Case cases[] = {{0, 1}, {1, 0}, {6, 0}, {10, 0}};
    for (const Case &c : cases) {
        edit_mode = c.from;
        strcpy(entry_buffer, "12345678");
        entry_cursor = 4;
        active_frame = 0;
        wait_turns = 0;
        key[KEY_ENTER] = 1;
        toggle_edit_mode();
        EXPECT_EQ(edit_mode, c.to) << "from " << c.from;
        EXPECT_GT(wait_turns, 0) << "from " << c.from;
        EXPECT_STREQ(entry_buffer, "12345678");
        EXPECT_EQ(entry_cursor, 4);
    }
    key[KEY_ENTER] = 0;
    wait_turns = 0;
    toggle_edit_mode();
    EXPECT_EQ(edit_mode, 0);
    EXPECT_EQ(wait_turns, 0);
}
