// Animation and drawing of single entities into a memory bitmap.
#include <allegro.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "entity.h"
#include "entity_fixture.h"

namespace {

const int square = 32;

// A run of passes with one dt, and the frame shown after each.
struct AnimationCase {
    const char *rule;
    int32_t type;
    int frames;
    float vx;
    float d2, d3, d4;
    float dt;
    std::vector<int> shown;
    float timer;  // d1 for the player, d3 for a walker, after the last pass
    float d4_after;
};

// A tileset of four 32 x 32 squares, red, green, blue and yellow, with the
// mask colour in the top-left 8 x 8 corner of the red one.
struct Drawing : testing::Test {
    BITMAP *tileset = nullptr;
    BITMAP *dest = nullptr;
    int background = 0;
    int red = 0, green = 0, blue = 0, yellow = 0, mask = 0;

    void SetUp() override
    {
        red = makecol(255, 0, 0);
        green = makecol(0, 255, 0);
        blue = makecol(0, 0, 255);
        yellow = makecol(255, 255, 0);
        mask = makecol(255, 0, 255);
        background = makecol(10, 20, 30);
        tileset = create_bitmap(4 * square, square);
        int colours[] = {red, green, blue, yellow};
        for (int k = 0; k < 4; k++)
            rectfill(tileset, k * square, 0, k * square + square - 1, square - 1, colours[k]);
        rectfill(tileset, 0, 0, 7, 7, mask);
        dest = create_bitmap(700, 200);
        clear_to_color(dest, background);
    }

    void TearDown() override
    {
        destroy_bitmap(tileset);
        destroy_bitmap(dest);
    }

    int pixel(int x, int y) const { return getpixel(dest, x, y); }

    // Draws a fresh entity of the case once per expected frame.
    void expect_animation(const AnimationCase &c)
    {
        TestEntity t(entity_with_row_frames(c.type, 0, 0, c.frames));
        Entity &e = t.e;
        e.vx = c.vx;
        e.d2 = c.d2;
        e.d3 = c.d3;
        e.d4 = c.d4;
        std::vector<int> shown;
        for (size_t pass = 0; pass < c.shown.size(); pass++) {
            draw_entity(e, dest, tileset, 0, 0, c.dt);
            shown.push_back(e.current_frame);
        }
        EXPECT_EQ(shown, c.shown) << c.rule;
        EXPECT_FLOAT_EQ(c.type == 0 ? e.d1 : e.d3, c.timer) << c.rule;
        EXPECT_FLOAT_EQ(e.d4, c.d4_after) << c.rule;
    }

    bool untouched() const
    {
        for (int y = 0; y < dest->h; y++)
            for (int x = 0; x < dest->w; x++)
                if (getpixel(dest, x, y) != background)
                    return false;
        return true;
    }
};

}  // namespace

TEST_F(Drawing, AnimationTablesStepOncePerFiftyPixelsOfTravel)
{
    // vx 200 and dt 0.125 travel 25 px, half a step, per pass; vx -200 and
    // dt 0.3125 travel 62.5 px, one and a quarter steps; dt 0.25 one step.
    AnimationCase cases[] = {
        {"player running right shows 0, 1, 0, 1", 0, 4, 200, 0, 0, 0, 0.125f,
         {0, 0, 1, 1, 0, 0, 1}, 0.5f, 0},
        {"player running left shows 0, 2, 0, 2", 0, 4, -200, 0, 0, 0, 0.125f,
         {0, 0, 2, 2, 0, 0, 2}, 0.5f, 0},
        {"player at rest shows the standing frame from the first pass", 0, 4, 0, 0, 0, 0,
         0.125f, {3, 3}, 0, 0},
        {"player with one frame stays on it at rest", 0, 1, 0, 0, 0, 0, 0.125f, {0, 0}, 0, 0},
        {"player with two frames running left lacks frame 2; its timer runs on", 0, 2, -200, 0,
         0, 0, 0.125f, {0, 0, 0, 0}, 1.0f, 0},
        {"walker pattern 0 cycles 0, 1, 2", 2, 3, -200, 0, 0, 0, 0.3125f, {1, 2, 0, 1, 2}, 1.25f,
         0},
        {"walker pattern 0 with two frames stops at frame 1", 2, 2, -200, 0, 0, 0, 0.3125f,
         {1, 1, 1, 1, 1}, 1.25f, 0},
        {"walker pattern 1 toggles 0 and 1", 2, 2, 200, 1, 0, 0, 0.3125f, {1, 0, 1, 0}, 1.0f, 0},
        {"walker pattern 2 runs 1, 2, 1, 0 one step apart, then again", 2, 3, 200, 2, 0, 1,
         0.25f, {0, 1, 2, 1, 0, 0, 1}, 2, 2},
        {"walker pattern 2 with d4 = 0 changes no frame at first; d4 becomes 1", 2, 3, 200, 2, 0,
         0, 0.25f, {0}, 1, 1},
        {"walker pattern 3 never animates", 2, 3, 200, 3, 0.5f, 1, 0.25f, {0, 0, 0, 0, 0}, 0.5f,
         1},
        {"walker pattern 0.5 never animates", 2, 3, 200, 0.5f, 0.5f, 1, 0.25f, {0, 0, 0, 0, 0},
         0.5f, 1},
        {"walker standing still keeps its timer", 2, 3, 0, 0, 0.5f, 0, 0.25f, {0, 0}, 0.5f, 0},
    };
    for (const AnimationCase &c : cases)
        expect_animation(c);
}

// 50 px at 250 px/s are one step after exactly 0.2 s, which is not past the
// threshold of 1: the step comes with the next pass.
TEST_F(Drawing, TimerReachingTheThresholdExactlyStepsOnlyWhenItPassesIt)
{
    AnimationCase cases[] = {
        {"player, passes of 0.2 s", 0, 4, 250, 0, 0, 0, 0.2f, {0, 1, 0}, 1, 0},
        {"player, passes of 0.1 s", 0, 4, -250, 0, 0, 0, 0.1f, {0, 0, 2, 2, 0}, 0.5f, 0},
        {"walker pattern 0, passes of 0.1 s", 2, 3, 250, 0, 0, 0, 0.1f, {0, 0, 1, 1, 2, 2, 0},
         0.5f, 0},
        {"walker pattern 1, passes of 0.2 s", 2, 2, -250, 1, 0, 0, 0.2f, {0, 1, 0}, 1, 0},
        {"walker pattern 2, passes of 0.2 s", 2, 3, 250, 2, 0, 1, 0.2f, {0, 1, 2, 1, 0}, 0, 1},
    };
    for (const AnimationCase &c : cases)
        expect_animation(c);
}

TEST_F(Drawing, TimerGrowingMoreThanTwoStepsChangesTheFrameOnceAndCarriesTheRest)
{
    struct Case {
        const char *rule;
        int32_t type;
        float d2;
    } cases[] = {{"player", 0, 0}, {"walker pattern 1", 2, 1}};
    for (const Case &c : cases) {
        TestEntity t(entity_with_row_frames(c.type, 0, 0, 4));
        Entity &e = t.e;
        e.vx = 250;
        e.d2 = c.d2;
        float &timer = c.type == 0 ? e.d1 : e.d3;

        draw_entity(e, dest, tileset, 0, 0, 0.5f);  // 125 px: two and a half steps
        EXPECT_EQ(e.current_frame, 1) << c.rule;
        EXPECT_FLOAT_EQ(timer, 1.5f) << c.rule;

        draw_entity(e, dest, tileset, 0, 0, 0);  // the excess still holds a step
        EXPECT_EQ(e.current_frame, 0) << c.rule;
        EXPECT_FLOAT_EQ(timer, 0.5f) << c.rule;

        draw_entity(e, dest, tileset, 0, 0, 0);
        EXPECT_EQ(e.current_frame, 0) << c.rule;
        EXPECT_FLOAT_EQ(timer, 0.5f) << c.rule;
    }
}

TEST_F(Drawing, PlayerStandsOnlyWhileVerticalSpeedIsStrictlyBelowOneHundred)
{
    struct Case {
        float vy;
        int frame_before;
        int frame_after;
    } cases[] = {
        {0, 0, 3},    {99.5f, 0, 3}, {-99.5f, 0, 3}, {100, 0, 0},
        {-100, 0, 0}, {300, 3, 0},   {300, 2, 2},    {-400, 1, 1},
    };
    for (const Case &c : cases) {
        TestEntity t(entity_with_row_frames(0, 0, 0, 4));
        t.e.vy = c.vy;
        t.e.current_frame = c.frame_before;
        draw_entity(t.e, dest, tileset, 0, 0, 0.01f);
        EXPECT_EQ(t.e.current_frame, c.frame_after) << "vy " << c.vy << " from " << c.frame_before;
    }
}

TEST_F(Drawing, OtherTypesNeitherAnimateNorTouchTheirParameters)
{
    for (int32_t type : {1, 3, 5, -1}) {
        TestEntity t(entity_with_row_frames(type, 0, 0, 4));
        Entity &e = t.e;
        e.vx = 250;
        e.d1 = 0.75f;
        e.d2 = 1;
        e.d3 = 0.75f;
        e.d4 = 1;
        for (int pass = 0; pass < 3; pass++)
            draw_entity(e, dest, tileset, 0, 0, 0.5f);
        EXPECT_EQ(e.current_frame, 0) << type;
        EXPECT_FLOAT_EQ(e.d1, 0.75f) << type;
        EXPECT_FLOAT_EQ(e.d3, 0.75f) << type;
        EXPECT_FLOAT_EQ(e.d4, 1) << type;
    }
}

TEST_F(Drawing, BlockIsCopiedOpaquelyMaskColourIncluded)
{
    TestEntity block(entity_with_row_frames(1, 10, 10, 1));
    draw_entity(block.e, dest, tileset, 0, 0, 0.01f);
    EXPECT_EQ(pixel(10, 10), mask);
    EXPECT_EQ(pixel(17, 17), mask);
    EXPECT_EQ(pixel(18, 18), red);
    EXPECT_EQ(pixel(41, 41), red);
    EXPECT_EQ(pixel(42, 41), background);
    EXPECT_EQ(pixel(41, 42), background);
}

TEST_F(Drawing, SpritesOfEveryOtherTypeLeaveTheMaskColourOut)
{
    for (int32_t type : {0, 2, 5, -1}) {
        clear_to_color(dest, background);
        TestEntity sprite(entity_with_row_frames(type, 10, 10, 1));
        sprite.e.d2 = 3;  // a walker that does not animate
        draw_entity(sprite.e, dest, tileset, 0, 0, 0.01f);
        EXPECT_EQ(pixel(10, 10), background) << type;
        EXPECT_EQ(pixel(17, 17), background) << type;
        EXPECT_EQ(pixel(18, 18), red) << type;
        EXPECT_EQ(pixel(41, 41), red) << type;
        EXPECT_EQ(pixel(42, 41), background) << type;
    }
}

TEST_F(Drawing, CurrentFrameIsDrawnAtItsPositionMinusTheCamera)
{
    TestEntity t(entity_with_row_frames(5, 100, 50, 3));
    t.e.current_frame = 2;
    draw_entity(t.e, dest, tileset, 60, 20, 0.01f);
    EXPECT_EQ(pixel(40, 30), blue);
    EXPECT_EQ(pixel(71, 61), blue);
    EXPECT_EQ(pixel(39, 30), background);
    EXPECT_EQ(pixel(40, 29), background);
    EXPECT_EQ(pixel(72, 61), background);
    EXPECT_EQ(pixel(71, 62), background);
}

TEST_F(Drawing, PositionsAreTruncatedTowardZeroBeforeTheCameraIsSubtracted)
{
    struct Case {
        float position;
        int first_column;  // with the camera at -10
    } cases[] = {{-0.5f, 10}, {-1.5f, 9}, {0.5f, 10}, {2.9f, 12}, {-9.99f, 1}};
    for (const Case &c : cases) {
        clear_to_color(dest, background);
        TestEntity t(entity_with_row_frames(1, c.position, c.position, 2));
        t.e.current_frame = 1;
        draw_entity(t.e, dest, tileset, -10, -10, 0.01f);
        int first = c.first_column;
        EXPECT_EQ(pixel(first, first), green) << c.position;
        EXPECT_EQ(pixel(first - 1, first), background) << c.position;
        EXPECT_EQ(pixel(first, first - 1), background) << c.position;
    }
}

TEST_F(Drawing, MessageBoardHasABlueBorderABrownPanelAndTheStory)
{
    int border = makecol(0, 0, 192);
    int panel = makecol(128, 64, 0);
    int white = makecol(255, 255, 255);
    TestEntity board(entity_with_row_frames(3, 20, 30, 1));
    draw_entity(board.e, dest, nullptr, 0, 0, 0.01f);

    // Five one-pixel outlines from (20, 30) to (630, 140), corners included.
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(pixel(20 + i, 30 + i), border) << i;
        EXPECT_EQ(pixel(630 - i, 140 - i), border) << i;
        EXPECT_EQ(pixel(20 + i, 140 - i), border) << i;
        EXPECT_EQ(pixel(630 - i, 30 + i), border) << i;
        EXPECT_EQ(pixel(300, 30 + i), border) << i;
    }
    EXPECT_EQ(pixel(25, 35), panel);
    EXPECT_EQ(pixel(625, 135), panel);
    EXPECT_EQ(pixel(19, 30), background);
    EXPECT_EQ(pixel(631, 30), background);
    EXPECT_EQ(pixel(20, 141), background);

    // Each line of the story is the font's own rendering of the exact text.
    struct Line {
        int x, y;
        std::string text;
    } lines[] = {
        {30, 40, "Player: \"They have conquered the town! What shall we do?\""},
        {30, 50, "Boss: \"I have no idea... But I know that we must get through them!\""},
        {30, 70, "What is the Tarrow? What is this all about?"},
        {30, 80, "Who is the boss? How to get to the town?"},
        {30, 90, "The release 0.0.1 is finished."},
        {30, 100, "The next one will show you more of this game..."},
    };
    for (const Line &line : lines) {
        int width = text_length(font, line.text.c_str());
        BITMAP *expected = create_bitmap(width, text_height(font));
        clear_to_color(expected, panel);
        textprintf_ex(expected, font, 0, 0, white, -1, "%s", line.text.c_str());
        int differing = 0;
        for (int y = 0; y < expected->h; y++)
            for (int x = 0; x < width; x++)
                differing += getpixel(dest, line.x + x, line.y + y) != getpixel(expected, x, y);
        EXPECT_EQ(differing, 0) << line.text;
        destroy_bitmap(expected);
    }
    int credits_white = 0;
    for (int x = 80; x < 620; x++)
        for (int y = 120; y < 128; y++)
            credits_white += pixel(x, y) == white;
    EXPECT_GT(credits_white, 0);
}

TEST_F(Drawing, MessageBoardNeverUsesTheTileset)
{
    BITMAP *with_tileset = create_bitmap(dest->w, dest->h);
    clear_to_color(with_tileset, background);
    TestEntity a(entity_with_row_frames(3, 20, 30, 1)), b(entity_with_row_frames(3, 20, 30, 1));
    draw_entity(a.e, dest, nullptr, 0, 0, 0.01f);
    draw_entity(b.e, with_tileset, tileset, 0, 0, 0.01f);
    int differing = 0;
    for (int y = 0; y < dest->h; y++)
        for (int x = 0; x < dest->w; x++)
            differing += getpixel(dest, x, y) != getpixel(with_tileset, x, y);
    EXPECT_EQ(differing, 0);
    destroy_bitmap(with_tileset);
}

TEST_F(Drawing, WithoutTilesetSpritesAreDrawnAsTheOutlineOfTheirFrame)
{
    for (int32_t type : {0, 1, 2, 5}) {
        clear_to_color(dest, background);
        TestEntity t(entity_with_frames(type, 10, 10, {{0, 0, 32, 16}}));
        draw_entity(t.e, dest, nullptr, 0, 0, 0.01f);
        int outline = pixel(10, 10);
        EXPECT_NE(outline, background) << type;
        EXPECT_EQ(pixel(41, 10), outline) << type;
        EXPECT_EQ(pixel(10, 25), outline) << type;
        EXPECT_EQ(pixel(41, 25), outline) << type;
        EXPECT_EQ(pixel(20, 18), background) << type;
        EXPECT_EQ(pixel(42, 10), background) << type;
        EXPECT_EQ(pixel(10, 26), background) << type;
    }
}

TEST_F(Drawing, EntityWithoutAFrameAtCurrentFrameIsNeitherAnimatedNorDrawn)
{
    TestEntity no_frames(entity_with_row_frames(0, 10, 10, 0));
    no_frames.e.d1 = 0.5f;
    no_frames.e.vx = 250;
    draw_entity(no_frames.e, dest, tileset, 0, 0, 1);
    EXPECT_FLOAT_EQ(no_frames.e.d1, 0.5f);
    EXPECT_EQ(no_frames.e.current_frame, 0);

    TestEntity past_its_frames(entity_with_row_frames(3, 10, 10, 2));
    past_its_frames.e.current_frame = 2;
    draw_entity(past_its_frames.e, dest, tileset, 0, 0, 1);
    draw_entity(past_its_frames.e, dest, nullptr, 0, 0, 1);

    EXPECT_TRUE(untouched());
}

TEST_F(Drawing, SourceRectanglesReachingPastTheTilesetDrawOnlyWhatItHolds)
{
    struct Case {
        const char *rule;
        FrameRect frame;
        int first_drawn, last_drawn;  // columns on row 60, -1 when nothing is drawn
    } cases[] = {
        {"left half outside", {-16, 0, 32, 32}, 66, 81},
        {"right edge far past the tileset", {120, 0, INT_MAX, 32}, 50, 57},
        {"every value at its extreme", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, -1, -1},
        {"start past the tileset", {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, -1, -1},
        {"negative size", {0, 0, -32, -32}, -1, -1},
    };
    for (const Case &c : cases) {
        clear_to_color(dest, background);
        TestEntity t(entity_with_frames(1, 50, 50, {c.frame}));
        draw_entity(t.e, dest, tileset, 0, 0, 0.01f);
        if (c.first_drawn < 0) {
            EXPECT_TRUE(untouched()) << c.rule;
            continue;
        }
        EXPECT_EQ(pixel(c.first_drawn - 1, 60), background) << c.rule;
        EXPECT_NE(pixel(c.first_drawn, 60), background) << c.rule;
        EXPECT_NE(pixel(c.last_drawn, 60), background) << c.rule;
        EXPECT_EQ(pixel(c.last_drawn + 1, 60), background) << c.rule;
    }
}
