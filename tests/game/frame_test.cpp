// One pass of the game: the in-view test, the update and draw passes, the
// frame-rate text and the timing that gives the next pass its dt.
#include <allegro.h>
#include <gtest/gtest.h>

#include <vector>

#include "entity_fixture.h"
#include "frame.h"
#include "game.h"
#include "screen_size.h"
#include "users_locale.h"

namespace {

// Puts the timing globals back however a test ends.
struct SavedTiming {
    double dt_value = dt.load();
    float fps_value = fps.load();
    double frequency = counter_frequency;
    int64_t start = frame_start;
    int64_t end = frame_end;

    ~SavedTiming()
    {
        dt.store(dt_value);
        fps.store(fps_value);
        counter_frequency = frequency;
        frame_start = start;
        frame_end = end;
    }
};

// A level built by hand; free_map releases it however a test ends.
struct TestMap {
    Map map;
    ~TestMap() { free_map(map); }
};

struct Call {
    Entity *entity;
    Layer *layer;
    float dt;
};

std::vector<Call> calls;

void record_update(Entity &e, Layer &layer, float step)
{
    calls.push_back({&e, &layer, step});
}

}  // namespace

TEST(InView, EdgesAreStrictOnAllFourSides)
{
    ScreenSize screen(800, 600);
    struct Case {
        float x, y;
        bool seen;
    } cases[] = {
        {-132, 0, false},       // right edge exactly at the view's left edge
        {-131.5f, 0, true},
        {700, 0, false},        // left edge exactly at the view's right edge
        {699.5f, 0, true},
        {0, -132, false},
        {0, -131.75f, true},
        {0, 500, false},
        {0, 499.75f, true},
        {-500, -500, false},
    };
    for (const Case &c : cases) {
        TestEntity t(entity_with_frames(1, c.x, c.y, {{0, 0, 32, 32}}));
        EXPECT_EQ(in_view(t.e, -100, -100), c.seen) << c.x << ", " << c.y;
    }
}

TEST(InView, UsesTheCurrentFramesSizeAndNeedsAFrameThere)
{
    ScreenSize screen(800, 600);
    TestEntity t(entity_with_frames(0, -150, 0, {{0, 0, 32, 32}, {0, 0, 64, 64}}));
    EXPECT_FALSE(in_view(t.e, -100, -100));  // -150 + 32 does not pass -100
    t.e.current_frame = 1;
    EXPECT_TRUE(in_view(t.e, -100, -100));  // -150 + 64 does
    t.e.current_frame = 2;
    EXPECT_FALSE(in_view(t.e, -100, -100));

    TestEntity no_frames(entity_with_frames(1, 0, 0, {}));
    EXPECT_FALSE(in_view(no_frames.e, -100, -100));
}

TEST(DrawPass, LayerZeroLiesInFrontAndLaterEntitiesCoverEarlierOnes)
{
    ScreenSize screen(800, 600);
    TestMap level_map;
    Map &map = level_map.map;
    map.tileset = create_bitmap(96, 32);
    int red = makecol(255, 0, 0), green = makecol(0, 255, 0), blue = makecol(0, 0, 255);
    rectfill(map.tileset, 0, 0, 31, 31, red);
    rectfill(map.tileset, 32, 0, 63, 31, green);
    rectfill(map.tileset, 64, 0, 95, 31, blue);
    add(map.layers[0], entity_with_frames(1, 16, 0, {{0, 0, 32, 32}}));   // red, in front
    add(map.layers[1], entity_with_frames(1, 0, 0, {{32, 0, 32, 32}}));   // green, behind
    add(map.layers[4], entity_with_frames(1, 8, 0, {{64, 0, 32, 32}}));   // blue, at the back
    add(map.layers[2], entity_with_frames(1, 200, 0, {{64, 0, 32, 32}}));  // blue, then
    add(map.layers[2], entity_with_frames(1, 200, 0, {{32, 0, 32, 32}}));  // green over it

    BITMAP *dest = create_bitmap(800, 600);
    clear_bitmap(dest);
    draw_pass(map, dest, 0, 0, 0.01f);

    EXPECT_EQ(getpixel(dest, 4, 10), green);
    EXPECT_EQ(getpixel(dest, 12, 10), green);  // layer 1 over layer 4
    EXPECT_EQ(getpixel(dest, 20, 10), red);    // layer 0 over layers 1 and 4
    EXPECT_EQ(getpixel(dest, 45, 10), red);
    EXPECT_EQ(getpixel(dest, 210, 10), green);
    destroy_bitmap(dest);
}

TEST(DrawPass, EntitiesOutOfViewAreNeitherDrawnNorAnimated)
{
    ScreenSize screen(800, 600);
    TestMap level_map;
    Map &map = level_map.map;
    add(map.layers[0], entity_with_row_frames(0, 1000, 0, 4));  // player to the right
    add(map.layers[0], entity_with_row_frames(0, 100, 0, 4));   // player in view
    // A board whose 32-pixel frame lies left of the view, though its drawn
    // panel would reach into it.
    add(map.layers[1], entity_with_row_frames(3, -140, 0, 1));
    Entity &away = map.layers[0].entities[0];
    away.vx = 250;
    away.d1 = 0.5f;

    BITMAP *dest = create_bitmap(800, 600);
    clear_bitmap(dest);
    draw_pass(map, dest, -100, -100, 1);

    EXPECT_EQ(away.current_frame, 0);
    EXPECT_FLOAT_EQ(away.d1, 0.5f);
    EXPECT_EQ(map.layers[0].entities[1].current_frame, 3);  // at rest: the standing frame
    int drawn = 0;
    for (int y = 0; y < 600; y++)
        for (int x = 0; x < 800; x++)
            drawn += getpixel(dest, x, y) != 0;
    EXPECT_EQ(drawn, 4 * 32 - 4);  // only the player's outline: there is no tileset
    destroy_bitmap(dest);
}

TEST(UpdatePass, CallsEveryBehaviourWithItsOwnLayerFromLayerZeroUp)
{
    TestMap level_map;
    Map &map = level_map.map;
    for (int i : {4, 0, 2, 0})
        add(map.layers[i], entity_with_frames(1, 0, 0, {{0, 0, 32, 32}}));
    for (Layer &layer : map.layers)
        for (int j = 0; j < layer.entity_count; j++)
            layer.entities[j].update = record_update;

    calls.clear();
    update_pass(map, 0.25f);

    ASSERT_EQ(calls.size(), 4u);
    Entity *order[] = {&map.layers[0].entities[0], &map.layers[0].entities[1],
                       &map.layers[2].entities[0], &map.layers[4].entities[0]};
    Layer *layers[] = {&map.layers[0], &map.layers[0], &map.layers[2], &map.layers[4]};
    for (int n = 0; n < 4; n++) {
        EXPECT_EQ(calls[n].entity, order[n]) << n;
        EXPECT_EQ(calls[n].layer, layers[n]) << n;
        EXPECT_FLOAT_EQ(calls[n].dt, 0.25f) << n;
    }
}

namespace {

// Draws the frame rate and compares it with the font's own rendering of text.
void expect_frame_rate_text(float rate, const char *text)
{
    BITMAP *dest = create_bitmap(200, 20);
    BITMAP *expected = create_bitmap(200, 20);
    clear_bitmap(dest);
    clear_bitmap(expected);
    textprintf_ex(expected, font, 0, 0, makecol(255, 255, 255), -1, "%s", text);
    draw_frame_rate(dest, rate);
    int differing = 0, white = 0;
    for (int y = 0; y < 20; y++) {
        for (int x = 0; x < 200; x++) {
            differing += getpixel(dest, x, y) != getpixel(expected, x, y);
            white += getpixel(dest, x, y) == makecol(255, 255, 255);
        }
    }
    EXPECT_EQ(differing, 0) << text;
    EXPECT_GT(white, 0) << text;
    destroy_bitmap(dest);
    destroy_bitmap(expected);
}

struct FrameRateCase {
    float rate;
    const char *text;
} const frame_rate_cases[] = {
    {0, "FPS: 0.00"}, {59.5f, "FPS: 59.50"}, {1234.567f, "FPS: 1234.57"}, {0.125f, "FPS: 0.12"},
};

}  // namespace

TEST(FrameRate, TextIsWhiteAtTheTopLeftWithTwoDecimals)
{
    for (const FrameRateCase &c : frame_rate_cases)
        expect_frame_rate_text(c.rate, c.text);
}

TEST(FrameRate, TextUsesADecimalPointWhateverTheUsersLocale)
{
    GermanLocale users_locale;
    if (!users_locale.active)
        GTEST_SKIP() << "localedef cannot build the de_DE.UTF-8 locale here";
    for (const FrameRateCase &c : frame_rate_cases)
        expect_frame_rate_text(c.rate, c.text);
}

TEST(FpsTick, ShowsTheRateOfTheLastPassAndKeepsItWhileDtIsZero)
{
    SavedTiming saved;
    fps.store(0);
    dt.store(0);
    fps_tick();
    EXPECT_EQ(fps.load(), 0);  // before the first pass: no rate yet

    dt.store(0.02);
    fps_tick();
    EXPECT_FLOAT_EQ(fps.load(), 50);

    dt.store(0);
    fps_tick();
    EXPECT_FLOAT_EQ(fps.load(), 50);

    dt.store(0.0001);
    fps_tick();
    EXPECT_FLOAT_EQ(fps.load(), 10000);
}

TEST(PassTiming, PassOfZeroTicksGivesDtZeroAndTheNextPassSpansBoth)
{
    SavedTiming saved;
    counter_frequency = 1000;
    dt.store(0.0001);

    start_pass_timing(5000);
    end_pass_timing(5000);
    EXPECT_EQ(dt.load(), 0);

    start_pass_timing(6000);  // ignored: the measurement runs on from 5000
    EXPECT_EQ(frame_start, 5000);
    end_pass_timing(5250);
    EXPECT_DOUBLE_EQ(dt.load(), 0.25);

    start_pass_timing(7000);
    EXPECT_EQ(frame_start, 7000);
    end_pass_timing(7010);
    EXPECT_DOUBLE_EQ(dt.load(), 0.01);
}

// Large counts lose their low digits as doubles; the difference must be
// taken in 64-bit integers first.
TEST(PassTiming, DtIsTheIntegerTickDifferenceOverTheRate)
{
    SavedTiming saved;
    counter_frequency = 1e9;
    dt.store(0.0001);
    start_pass_timing(9000000000000000000);
    end_pass_timing(9000000000016666667);
    EXPECT_DOUBLE_EQ(dt.load(), 0.016666667);
}
