// The walker's update: expectations come from the walking rules with chosen
// step times (1/64, 1/16, 1/8 and 1/4 s are exact in binary).
#include <allegro.h>
#include <gtest/gtest.h>

#include "game.h"
#include "movement_scene.h"
#include "screen_size.h"

namespace {

const double g = 156.96;  // the walker's gravity, px/s^2

class WalkerTest : public testing::Test {
  protected:
    ScreenSize screen{800, 600};
    Scene scene;

    void SetUp() override
    {
        player_controls = PlayerControls(3, KeyBindings(KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_RCONTROL));
        camera_x = camera_y = -100;
    }
    void TearDown() override
    {
        player_controls = PlayerControls();
        camera_x = camera_y = -100;
    }

    // A walker at (x, y) facing by d1, with the given previous x.
    int place_walker(float x, float y, float d1, float old_x)
    {
        int w = scene.place(2, x, y);
        scene[w].d1 = d1;
        scene[w].old_x = old_x;
        return w;
    }
};

TEST_F(WalkerTest, DirectionOneWalksRightAnyOtherValueWalksLeft)
{
    const float dt = 0.125f;
    struct Case {
        float d1, expected_vx;
    } cases[] = {{1, 250}, {0, -250}, {2, -250}, {-1, -250}, {0.5f, -250}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "d1 " << c.d1);
        Scene s;
        int w = s.place(2, 100, 0);
        s[w].d1 = c.d1;
        s[w].vx = 999;  // never read
        update_walker(s[w], s.layer, dt);
        EXPECT_FLOAT_EQ(s[w].vx, c.expected_vx);
        EXPECT_FLOAT_EQ(s[w].x, 100 + c.expected_vx * dt);
        EXPECT_FLOAT_EQ(s[w].old_x, 100);
        EXPECT_FLOAT_EQ(s[w].d1, c.d1);
        EXPECT_FLOAT_EQ(s[w].vy, g * dt);
        EXPECT_FLOAT_EQ(s[w].y, 0.5 * g * dt * dt);  // from rest
    }
}

TEST_F(WalkerTest, TurnsAtWallFlushAndMovesAwayInTheSameUpdate)
{
    struct Case {
        const char *name;
        float dt, d1, x, old_x, wall_x;
        float expected_d1, expected_old_x, expected_x;
    } cases[] = {
        // Right edge passed the wall's left edge at 64: flush at 32, then left.
        {"right wall", 1.0f / 64, 1, 33, 29, 64, 0, 32, 32 - 250.0f / 64},
        {"right wall, long step", 1.0f / 16, 1, 40, 24, 64, 0, 32, 32 - 250.0f / 16},
        // Left edge passed the wall's right edge at 32: flush at 32, then right.
        {"left wall", 1.0f / 64, 0, 30, 34, 0, 1, 32, 32 + 250.0f / 64},
        {"left wall, long step", 1.0f / 16, 0, 20, 36, 0, 1, 32, 32 + 250.0f / 16},
        // Exactly flush before the step still counts as passing.
        {"right wall from flush", 1.0f / 64, 1, 33, 32, 64, 0, 32, 32 - 250.0f / 64},
        {"left wall from flush", 1.0f / 64, 0, 30, 32, 0, 1, 32, 32 + 250.0f / 64},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.place(1, c.wall_x, -500, 32, 1000);
        int w = s.place(2, c.x, 0);
        s[w].d1 = c.d1;
        s[w].old_x = c.old_x;
        update_walker(s[w], s.layer, c.dt);
        EXPECT_FLOAT_EQ(s[w].d1, c.expected_d1);
        EXPECT_FLOAT_EQ(s[w].vx, c.expected_d1 == 1 ? 250 : -250);
        EXPECT_FLOAT_EQ(s[w].old_x, c.expected_old_x);
        EXPECT_FLOAT_EQ(s[w].x, c.expected_x);
    }
}

TEST_F(WalkerTest, OtherDirectionValuesTurnToZeroFirstThenToOne)
{
    const float dt = 1.0f / 64;
    const float step = 250 * dt;
    for (float d1 : {2.0f, -1.0f, 0.5f}) {
        SCOPED_TRACE(testing::Message() << "d1 " << d1);
        Scene s;
        s.place(1, 0, -500, 32, 1000);  // wall with its right edge at 32
        int w = s.place(2, 30, 0);
        s[w].d1 = d1;
        s[w].old_x = 34;
        struct Step {
            float d1, x;
        } steps[] = {
            {0, 32 + step},      // turns: d1 becomes 0, one step right
            {0, 32},             // d1 = 0 walks left again
            {0, 32 - step},      // flush is not past: no turn, into the wall
            {1, 32 + step},      // turns: d1 becomes 1
            {1, 32 + 2 * step},  // and walks right from now on
        };
        for (const Step &expected : steps) {
            update_walker(s[w], s.layer, dt);
            EXPECT_FLOAT_EQ(s[w].d1, expected.d1);
            EXPECT_FLOAT_EQ(s[w].x, expected.x);
        }
    }
}

TEST_F(WalkerTest, StandingOnBlockAlternatesLandingFrames)
{
    const float dt = 1.0f / 64;
    scene.place(1, 0, 100, 256, 32);
    int w = place_walker(0, 68, 1, 0);
    struct Step {
        float y, vy;
    } steps[] = {
        {68 + float(78.48 * dt * dt), float(g * dt)},  // sinks into the block
        {68, 0},                                        // put back on it
        {68 + float(78.48 * dt * dt), float(g * dt)},
        {68, 0},
    };
    int frame = 0;
    for (const Step &step : steps) {
        update_walker(scene[w], scene.layer, dt);
        ++frame;
        EXPECT_FLOAT_EQ(scene[w].y, step.y);
        EXPECT_FLOAT_EQ(scene[w].vy, step.vy);
        EXPECT_FLOAT_EQ(scene[w].old_y, 68);
        EXPECT_FLOAT_EQ(scene[w].x, frame * 250 * dt);
    }
}

TEST_F(WalkerTest, BoxesThatOnlyTouchNeitherLandNorTurn)
{
    const float dt = 1.0f / 64;
    const float step = 250 * dt;
    struct Case {
        const char *name;
        float d1, x, y, old_x, old_y, vy;
        float expected_x;
        double expected_vy;
    } cases[] = {
        // The block spans x 0 to 32 and y 100 to 132.
        {"falling past its right edge", 1, 32, 70, 32, 60, 50, 32 + step, 50 + g * dt},
        {"falling past its left edge", 0, -32, 70, -32, 60, 50, -32 - step, 50 + g * dt},
        {"walking left along its top", 0, 30, 68, 34, 68, 0, 30 - step, g * dt},
        {"walking right along its top", 1, -30, 68, -34, 68, 0, -30 + step, g * dt},
        {"walking left under it", 0, 30, 132, 34, 132, 0, 30 - step, g * dt},
        {"walking right under it", 1, -30, 132, -34, 132, 0, -30 + step, g * dt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.place(1, 0, 100);
        int w = s.place_moving(2, c.x, c.y, c.old_x, c.old_y, 0, c.vy);
        s[w].d1 = c.d1;
        update_walker(s[w], s.layer, dt);
        EXPECT_FLOAT_EQ(s[w].d1, c.d1);
        EXPECT_FLOAT_EQ(s[w].x, c.expected_x);
        EXPECT_FLOAT_EQ(s[w].vy, c.expected_vy);
    }
}

TEST_F(WalkerTest, LandsOnBlockWhoseTopItsBottomEdgePassed)
{
    const float dt = 1.0f / 64;
    scene.place(1, 0, 100, 256, 32);
    int w = place_walker(0, 70, 1, 0);
    scene[w].old_y = 60;
    scene[w].vy = 100;
    update_walker(scene[w], scene.layer, dt);
    EXPECT_FLOAT_EQ(scene[w].y, 68);
    EXPECT_FLOAT_EQ(scene[w].vy, 0);
    EXPECT_FLOAT_EQ(scene[w].old_y, 60);  // vy is 0: not refreshed
    EXPECT_FLOAT_EQ(scene[w].x, 250 * dt);
    EXPECT_FLOAT_EQ(scene[w].d1, 1);
}

TEST_F(WalkerTest, WalksOverFloorOfAdjacentBlocksWithoutTurning)
{
    const float dt = 1.0f / 64;
    for (int i = 0; i < 12; ++i)
        scene.place(1, 32.0f * i, 100);
    int w = place_walker(0, 68, 1, 0);
    for (int frame = 1; frame <= 80; ++frame) {  // across nine seams
        update_walker(scene[w], scene.layer, dt);
        ASSERT_FLOAT_EQ(scene[w].d1, 1) << "frame " << frame;
        ASSERT_FLOAT_EQ(scene[w].x, frame * 250 * dt) << "frame " << frame;
        ASSERT_GE(scene[w].y, 68) << "frame " << frame;
        ASSERT_LE(scene[w].y, 68 + float(78.48 * dt * dt)) << "frame " << frame;
    }
}

TEST_F(WalkerTest, WalksOffLedgeAndFallsUnderItsOwnGravity)
{
    const float dt = 1.0f / 64;
    scene.place(1, 0, 100, 64, 32);
    int w = place_walker(60, 68, 1, 60);
    // The last landing is in the second update, while the walker still
    // overlaps the block; from there it falls from rest for 38 updates.
    for (int frame = 0; frame < 40; ++frame)
        update_walker(scene[w], scene.layer, dt);
    const double t = 38 * dt;
    EXPECT_FLOAT_EQ(scene[w].x, 60 + 40 * 250 * dt);
    EXPECT_FLOAT_EQ(scene[w].vx, 250);
    EXPECT_FLOAT_EQ(scene[w].d1, 1);
    EXPECT_NEAR(scene[w].vy, g * t, 1e-3);
    EXPECT_NEAR(scene[w].y, 68 + 0.5 * g * t * t, 1e-3);
}

TEST_F(WalkerTest, TwoWalkersMeetingHeadOnOnlyTheLaterOneTurns)
{
    const float dt = 1.0f / 64;
    const float step = 250 * dt;
    int a = place_walker(0, 0, 1, 0);    // right edge at 32
    int b = place_walker(40, 0, 0, 40);  // left edge at 40, walking towards a
    scene.update(dt);
    scene.update(dt);
    // a's own test never sees its side past b's; b finds its left edge past
    // a's right edge in the second pass, is placed flush and turns.
    EXPECT_FLOAT_EQ(scene[a].d1, 1);
    EXPECT_FLOAT_EQ(scene[b].d1, 1);
    EXPECT_FLOAT_EQ(scene[a].x, 2 * step);
    EXPECT_FLOAT_EQ(scene[b].x, 2 * step + 32 + step);
    for (int pass = 0; pass < 10; ++pass)
        scene.update(dt);
    EXPECT_FLOAT_EQ(scene[a].d1, 1);
    EXPECT_FLOAT_EQ(scene[b].d1, 1);
    EXPECT_FLOAT_EQ(scene[b].x - scene[a].x, 32 + step);
}

TEST_F(WalkerTest, WalkerTurnsAtPlayerWhoStaysWhereItStands)
{
    const float dt = 1.0f / 64;
    scene.place(1, 0, 32, 400, 32);  // floor
    int p = scene.place(0, 100, 0);
    int w = place_walker(71.75f, 0, 1, 67.75f);  // right edge passed 100
    scene.update(dt);
    EXPECT_FLOAT_EQ(scene[w].d1, 0);
    EXPECT_FLOAT_EQ(scene[w].x, 100 - 32 - 250 * dt);
    EXPECT_FLOAT_EQ(scene[p].x, 100);
    EXPECT_FLOAT_EQ(scene[p].vx, 0);
}

TEST_F(WalkerTest, PlayerLandsOnWalkerWhereItStandsAfterItsUpdate)
{
    const float dt = 1.0f / 64;
    int w = place_walker(0, 100, 1, 0);
    int p = scene.place(0, 0, 70);  // bottom edge passed the walker's top
    scene[p].old_y = 60;
    scene[p].vy = 50;
    scene.update(dt);
    EXPECT_FLOAT_EQ(scene[w].y, 100 + 0.5 * g * dt * dt);
    EXPECT_FLOAT_EQ(scene[p].y, scene[w].y - 32);
    EXPECT_FLOAT_EQ(scene[p].vy, 0);
    EXPECT_FLOAT_EQ(scene[w].d1, 1);
}

TEST_F(WalkerTest, ZeroStepSetsSpeedRefreshesOldPositionAndStillTurns)
{
    struct Case {
        const char *name;
        float d1, vy;
        float expected_vx, expected_old_y;
    } cases[] = {
        {"walking right, falling", 1, 40, 250, 20},
        {"walking left, falling", 0, 40, -250, 20},
        {"at rest", 1, 0, 250, 15},  // vy stays 0: old_y is not refreshed
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        int w = s.place_moving(2, 10, 20, 5, 15, 0, c.vy);  // was at (5, 15)
        s[w].d1 = c.d1;
        update_walker(s[w], s.layer, 0);
        EXPECT_FLOAT_EQ(s[w].vx, c.expected_vx);
        EXPECT_FLOAT_EQ(s[w].vy, c.vy);
        EXPECT_FLOAT_EQ(s[w].x, 10);
        EXPECT_FLOAT_EQ(s[w].y, 20);
        EXPECT_FLOAT_EQ(s[w].old_x, 10);
        EXPECT_FLOAT_EQ(s[w].old_y, c.expected_old_y);
    }

    scene.place(1, 64, -500, 32, 1000);
    int w = place_walker(33, 0, 1, 29);
    update_walker(scene[w], scene.layer, 0);
    EXPECT_FLOAT_EQ(scene[w].x, 32);
    EXPECT_FLOAT_EQ(scene[w].d1, 0);
    EXPECT_FLOAT_EQ(scene[w].vx, -250);
}

TEST_F(WalkerTest, StepOfItsOwnWidthTurnsItAtItself)
{
    struct Case {
        float dt, expected_d1, expected_x;
    } cases[] = {
        // 250 dt = 62.5 >= 32: back by its width to 30.5, turned, then 62.5 left.
        {0.25f, 0, 62.5f - 32 - 62.5f},
        // 250 dt = 31.25 < 32: walks on.
        {0.125f, 1, 2 * 31.25f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "dt " << c.dt);
        Scene s;
        int w = s.place(2, 0, 0);
        s[w].d1 = 1;
        update_walker(s[w], s.layer, c.dt);
        update_walker(s[w], s.layer, c.dt);
        EXPECT_FLOAT_EQ(s[w].d1, c.expected_d1);
        EXPECT_FLOAT_EQ(s[w].x, c.expected_x);
    }
}

TEST_F(WalkerTest, EntitiesWithoutBoxAreNoObstaclesAndCollideWithNothing)
{
    const float dt = 1.0f / 64;
    for (bool mover_lacks_box : {false, true}) {
        for (Scene::BoxLoss missing : Scene::box_losses) {
            SCOPED_TRACE(testing::Message() << "mover lacks box " << mover_lacks_box << ", case "
                                            << missing);
            Scene s;
            int wall = s.place(1, 64, -500, 32, 1000);
            int w = s.place(2, 33, 0);  // right edge passed the wall
            s[w].d1 = 1;
            s[w].old_x = 29;
            int without = mover_lacks_box ? w : wall;
            s.lose_box(without, missing);
            update_walker(s[w], s.layer, dt);
            EXPECT_FLOAT_EQ(s[w].d1, 1);
            EXPECT_FLOAT_EQ(s[w].x, 33 + 250 * dt);
        }
    }
}

}  // namespace
