// The player's update and the camera: expectations come from the movement
// rules with chosen step times. The steps 1/8, 1/32 and 1/64 s are exact in
// binary, so most positions and speeds compare exactly.
#include <allegro.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "game.h"
#include "movement_scene.h"
#include "screen_size.h"

namespace {

enum Keys { none = 0, left = 1, right = 2, jump = 4 };

class PlayerTest : public testing::Test {
  protected:
    ScreenSize screen{800, 600};
    Scene scene;

    void SetUp() override
    {
        player_controls = PlayerControls(3, KeyBindings(KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_RCONTROL));
        hold(none);
        camera_x = camera_y = -100;
    }
    void TearDown() override
    {
        hold(none);
        player_controls = PlayerControls();
        camera_x = camera_y = -100;
    }

    static void hold(int keys)
    {
        key[KEY_LEFT] = (keys & left) != 0;
        key[KEY_RIGHT] = (keys & right) != 0;
        key[KEY_SPACE] = (keys & jump) != 0;
    }

    void update(int i, float dt) { update_player(scene[i], scene.layer, dt); }
};

TEST_F(PlayerTest, KeysAccelerateFrictionSlowsAndSpeedIsLimited)
{
    const float dt = 0.125f;  // run 900 dt = 112.5, friction 650 dt = 81.25
    struct Case {
        int keys;
        float vx, expected_vx;
    } cases[] = {
        {right, 0, 112.5f},
        {left, 0, -112.5f},
        {right, -100, 12.5f},           // no friction while a key is held
        {left | right, 100, 100},       // both cancel, no friction
        {left | right, 0, 0},
        {none, 100, 100 - 81.25f},
        {none, -100, -100 + 81.25f},
        {none, 81.25f, 0},              // not above 650 dt: stops
        {none, -81.25f, 0},
        {none, 30, 0},
        {right, 200, 250},              // limit
        {left, -200, -250},
        {right, 137.5f, 250},           // exactly at the limit
        {right, 138, 250},
        {left, -138, -250},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << ", vx " << c.vx);
        Scene s;
        int p = s.place(0, 0, 0);
        s[p].vx = c.vx;
        hold(c.keys);
        update_player(s[p], s.layer, dt);
        EXPECT_FLOAT_EQ(s[p].vx, c.expected_vx);
    }
}

TEST_F(PlayerTest, HorizontalMoveUsesAccelerationTermOf250)
{
    const float dt = 0.125f;
    struct Case {
        int keys;
        float vx, expected_vx;
    } cases[] = {
        {right, 0, 112.5f},
        {left, 0, -112.5f},
        {none, 100, 18.75f},
        {none, -100, -18.75f},
        {none, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << ", vx " << c.vx);
        Scene s;
        int p = s.place(0, 40, 0);
        s[p].vx = c.vx;
        hold(c.keys);
        update_player(s[p], s.layer, dt);
        const double a = c.expected_vx > 0 ? 250 : c.expected_vx < 0 ? -250 : 0;
        EXPECT_FLOAT_EQ(s[p].vx, c.expected_vx);
        EXPECT_FLOAT_EQ(s[p].x, 40 + c.expected_vx * dt - 0.5 * a * dt * dt);
        EXPECT_FLOAT_EQ(s[p].old_x, 40);
    }
}

TEST_F(PlayerTest, JumpsOnlyWhenVerticalSpeedIsExactlyZero)
{
    const float dt = 0.125f;  // gravity 981 dt = 122.625
    struct Case {
        int keys;
        float vy, expected_vy;
    } cases[] = {
        {jump, 0, -400 + 122.625f},
        {none, 0, 122.625f},
        {jump, 50, 50 + 122.625f},
        {jump, -10, -10 + 122.625f},
        {jump, 0.001f, 0.001f + 122.625f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << ", vy " << c.vy);
        Scene s;
        int p = s.place(0, 0, 300);
        s[p].vy = c.vy;
        hold(c.keys);
        update_player(s[p], s.layer, dt);
        EXPECT_FLOAT_EQ(s[p].vy, c.expected_vy);
        EXPECT_FLOAT_EQ(s[p].y, 300 + c.expected_vy * dt - 0.5 * 981 * dt * dt);
        EXPECT_FLOAT_EQ(s[p].old_y, 300);
    }
}

TEST_F(PlayerTest, StandingOnBlockAlternatesLandingFrames)
{
    const float dt = 1.0f / 64;
    const float sunk = 68 + 490.5 * dt * dt;
    int p = scene.place(0, 0, 68);
    scene.place(1, 0, 100, 64, 32);
    struct Step {
        float y, vy;
    } steps[] = {
        {sunk, 981 * dt},  // falls into the block
        {68, 0},           // put back on it
        {sunk, 981 * dt},
        {68, 0},
    };
    for (const Step &step : steps) {
        update(p, dt);
        EXPECT_FLOAT_EQ(scene[p].y, step.y);
        EXPECT_FLOAT_EQ(scene[p].vy, step.vy);
        EXPECT_FLOAT_EQ(scene[p].old_y, 68);
    }
}

TEST_F(PlayerTest, HeldJumpOnBlockTakesEffectWithinTwoFrames)
{
    const float dt = 1.0f / 64;
    struct Case {
        float y, vy;
        int frames_to_jump;
    } cases[] = {
        {68, 0, 1},                            // frame begins at rest
        {68 + 490.5f * dt * dt, 981 * dt, 2},  // frame begins sunk in the block
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "vy " << c.vy);
        Scene s;
        int p = s.place(0, 0, c.y);
        s[p].old_y = 68;
        s[p].vy = c.vy;
        s.place(1, 0, 100, 64, 32);
        hold(jump);
        for (int frame = 1; frame < c.frames_to_jump; ++frame) {
            update_player(s[p], s.layer, dt);
            EXPECT_FLOAT_EQ(s[p].vy, 0);
        }
        update_player(s[p], s.layer, dt);
        EXPECT_FLOAT_EQ(s[p].vy, -400 + 981 * dt);
        EXPECT_LT(s[p].y, 68);
    }
}

TEST_F(PlayerTest, RunningIntoWallStopsFlushAndSpeedNeverBuildsUp)
{
    const float dt = 1.0f / 64;
    scene.place(1, -64, 100, 256, 32);  // floor
    scene.place(1, 64, 36, 32, 64);     // wall standing on it, left edge 64
    int p = scene.place(0, 30, 68);
    scene[p].vx = 250;
    hold(right);

    update(p, dt);
    EXPECT_FLOAT_EQ(scene[p].x, 30 + 250 * dt - 0.5 * 250 * dt * dt);  // now past 64 - 32

    struct Step {
        float x, vx;
    } steps[] = {
        {32, 0},                             // flush: 64 - 32
        {32 + 775 * dt * dt, 900 * dt},      // pushes 775 dt^2 into the wall
        {32, 0},
        {32 + 775 * dt * dt, 900 * dt},
        {32, 0},
    };
    for (const Step &step : steps) {
        update(p, dt);
        EXPECT_FLOAT_EQ(scene[p].x, step.x);
        EXPECT_FLOAT_EQ(scene[p].vx, step.vx);
    }
}

TEST_F(PlayerTest, RunsOverFloorOfAdjacentBlocksWithoutCatchingAtSeams)
{
    const float dt = 1.0f / 64;
    for (int i = 0; i < 12; ++i)
        scene.place(1, 32.0f * i, 100);
    int p = scene.place(0, 0, 68);
    scene[p].vx = 250;
    hold(right);
    const double step = 250 * dt - 0.5 * 250 * dt * dt;
    for (int frame = 1; frame <= 80; ++frame) {  // across nine seams
        update(p, dt);
        ASSERT_FLOAT_EQ(scene[p].vx, 250) << "frame " << frame;
        ASSERT_FLOAT_EQ(scene[p].x, frame * step) << "frame " << frame;
        ASSERT_GE(scene[p].y, 68) << "frame " << frame;
        ASSERT_LE(scene[p].y, 68 + 490.5 * dt * dt) << "frame " << frame;
    }
}

TEST_F(PlayerTest, HittingCeilingPlacesTopAtBlockAndHalvesReversedSpeed)
{
    for (float dt : {1.0f / 64, 1.0f / 32}) {
        SCOPED_TRACE(testing::Message() << "dt " << dt);
        Scene s;
        s.place(1, 0, 36);  // bottom edge 68
        int p = s.place(0, 10, 65);
        s[p].old_y = 70;  // top edge passed 68 upwards
        s[p].vy = -300;
        update_player(s[p], s.layer, dt);
        const double vy = -0.5 * (-300 + 981 * dt);
        EXPECT_FLOAT_EQ(s[p].vy, vy);
        EXPECT_FLOAT_EQ(s[p].old_y, 68);
        EXPECT_FLOAT_EQ(s[p].y, 68 + vy * dt - 0.5 * 981 * dt * dt);
    }
}

TEST_F(PlayerTest, PreviousEdgeOnObstacleEdgeCollidesButTouchingBoxesDoNot)
{
    const float dt = 1.0f / 64;
    const double fall = 490.5 * dt * dt;
    const double rebound = -0.5 * (-100 + 981 * dt);
    struct Case {
        const char *name;
        int keys;
        float x, y, old_x, old_y, vx, vy;
        double expected_x, expected_y, expected_vx, expected_vy;
    } cases[] = {
        // The block spans x 0 to 32 and y 100 to 132.
        {"top was on its bottom edge", none, 0, 130, 0, 132, 0, -100,
         0, 132 + rebound * dt - fall, 0, rebound},
        {"left edge was on its right edge", none, 30, 100, 32, 100, -100, 0,
         32, 100 + fall, 0, 981 * dt},
        {"falling past its right edge", none, 32, 70, 32, 60, 0, 50,
         32, 70 + (50 + 981 * dt) * dt - fall, 0, 50 + 981 * dt},
        {"falling past its left edge", none, -32, 70, -32, 60, 0, 50,
         -32, 70 + (50 + 981 * dt) * dt - fall, 0, 50 + 981 * dt},
        {"rising past its left edge", none, -32, 130, -32, 140, 0, -100,
         -32, 130 + (-100 + 981 * dt) * dt - fall, 0, -100 + 981 * dt},
        {"running along under it", right, -20, 132, -40, 132, 250, 0,
         -20 + 250 * dt - 0.5 * 250 * dt * dt, 132 + fall, 250, 981 * dt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        s.place(1, 0, 100);
        int p = s.place_moving(0, c.x, c.y, c.old_x, c.old_y, c.vx, c.vy);
        hold(c.keys);
        update_player(s[p], s.layer, dt);
        EXPECT_FLOAT_EQ(s[p].x, c.expected_x);
        EXPECT_FLOAT_EQ(s[p].y, c.expected_y);
        EXPECT_FLOAT_EQ(s[p].vx, c.expected_vx);
        EXPECT_FLOAT_EQ(s[p].vy, c.expected_vy);
    }
}

TEST_F(PlayerTest, ZeroStepKeepsMotionRefreshesOldPositionAndStillCollides)
{
    struct Case {
        const char *name;
        int keys;
        float vx, vy;
        float expected_vx, expected_vy, expected_old_y;
    } cases[] = {
        {"moving", none, 100, 50, 100, 50, 20},
        {"running", right, 100, 50, 100, 50, 20},
        {"jumping from rest", jump, 0, 0, 0, -400, 20},
        {"at rest", none, 0, 0, 0, 0, 15},  // vy stays 0: old_y is not refreshed
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        int p = s.place_moving(0, 10, 20, 5, 15, c.vx, c.vy);  // was at (5, 15)
        hold(c.keys);
        update_player(s[p], s.layer, 0);
        EXPECT_FLOAT_EQ(s[p].vx, c.expected_vx);
        EXPECT_FLOAT_EQ(s[p].vy, c.expected_vy);
        EXPECT_FLOAT_EQ(s[p].x, 10);
        EXPECT_FLOAT_EQ(s[p].y, 20);
        EXPECT_FLOAT_EQ(s[p].old_x, 10);
        EXPECT_FLOAT_EQ(s[p].old_y, c.expected_old_y);
    }

    // A bottom edge that passed a block's top still lands.
    int p = scene.place(0, 0, 70);
    scene[p].old_y = 60;
    scene[p].vy = 50;
    scene.place(1, 0, 100);
    update(p, 0);
    EXPECT_FLOAT_EQ(scene[p].y, 68);
    EXPECT_FLOAT_EQ(scene[p].vy, 0);
    EXPECT_FLOAT_EQ(scene[p].old_y, 60);
}

TEST_F(PlayerTest, StepOfItsOwnSizeCollidesWithItself)
{
    const float dt = 1.0f / 64;
    const float fall = 490.5f * dt * dt;
    const double rebound = -0.5 * (-2000 + 981 * dt);
    struct Case {
        const char *name;
        int keys;
        float old_x, old_y, vx, vy;
        float expected_x, expected_y, expected_vx, expected_vy;
    } cases[] = {
        // Fell 40 px in the last step: lands on itself, one height up, at rest.
        {"falling", none, 100, 60, 0, 2000, 100, 100 - 32, 0, 0},
        // Rose 40 px: its top meets its own bottom edge, one height down.
        {"rising", none, 100, 140, 0, -2000,
         100, 100 + 32 + float(rebound * dt) - fall, 0, float(rebound)},
        // Moved 40 px sideways: back by its width, stopped.
        {"running right", right, 60, 100, 250, 0, 100 - 32, 100 + fall, 0, 981 * dt},
        {"running left", left, 140, 100, -250, 0, 100 + 32, 100 + fall, 0, 981 * dt},
        // Moved 31 px: less than its size, nothing happens.
        {"short fall", none, 100, 69, 0, 100, 100, 100 + float(100 * dt) + fall, 0,
         100 + 981 * dt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scene s;
        int p = s.place_moving(0, 100, 100, c.old_x, c.old_y, c.vx, c.vy);
        hold(c.keys);
        update_player(s[p], s.layer, dt);
        EXPECT_FLOAT_EQ(s[p].x, c.expected_x);
        EXPECT_FLOAT_EQ(s[p].y, c.expected_y);
        EXPECT_FLOAT_EQ(s[p].vx, c.expected_vx);
        EXPECT_FLOAT_EQ(s[p].vy, c.expected_vy);
    }
}

TEST_F(PlayerTest, TwoPlayersObeyTheSameKeysAndAreSolidToEachOther)
{
    const float dt = 1.0f / 64;
    int a = scene.place(0, 70, 0);  // right edge 102, past b's left edge
    scene[a].old_x = 60;
    scene[a].vx = 250;
    int b = scene.place(0, 100, 0);
    hold(right);
    scene.update(dt);
    EXPECT_FLOAT_EQ(scene[a].x, 100 - 32);
    EXPECT_FLOAT_EQ(scene[a].vx, 0);
    EXPECT_FLOAT_EQ(scene[b].vx, 900 * dt);
    EXPECT_FLOAT_EQ(scene[b].x, 100 + 900 * dt * dt - 0.5 * 250 * dt * dt);
}

TEST_F(PlayerTest, EachPlayerMovesTheCameraInItsOwnUpdate)
{
    scene.place(0, 0, 0);
    scene.place(0, 0, 0);
    scene.update(0);
    // First: 100 from the left edge, sqrt(100) = 10; 100 from the top, sqrt(50) = 7.07.
    // Second: sx = 110, sqrt(90) = 9.49; sy = 107, sqrt(43) = 6.56.
    EXPECT_EQ(camera_x, -100 - 10 - 9);
    EXPECT_EQ(camera_y, -100 - 7 - 6);
}

TEST_F(PlayerTest, EntitiesOfOtherLayersAreNoObstacles)
{
    add(level.layers[0], Scene::boxed_entity(0, 0, 68, 32, 32));
    add(level.layers[1], Scene::boxed_entity(1, 0, 100, 64, 32));
    Entity &p = level.layers[0].entities[0];
    const float dt = 1.0f / 64;
    update_player(p, level.layers[0], dt);
    update_player(p, level.layers[0], dt);
    EXPECT_FLOAT_EQ(p.vy, 2 * 981 * dt);  // nothing stopped the fall
    EXPECT_GT(p.y, 68 + 490.5 * dt * dt);
    for (Layer &layer : level.layers)
        Scene::release_frames(layer);
    free_map(level);
}

TEST_F(PlayerTest, CameraClosesInByIntegerSquareRootOfExcess)
{
    struct Case {
        float x, y;
        int camera_x, camera_y;
        int expected_x, expected_y;
    } cases[] = {
        {0, 0, -100, -100, -110, -107},   // sqrt(100) = 10, sqrt(50) = 7.07
        {300, 200, 0, 0, 0, 0},           // inside the middle half
        {200, 150, 0, 0, 0, 0},           // on its edges: the tests are strict
        {600, 450, 0, 0, 0, 0},
        {199.5f, 149.5f, 0, 0, 0, 0},     // below one pixel: no step
        {700, 500, 0, 0, 10, 7},          // sqrt(100) = 10, sqrt(50) = 7.07
        {601, 451, 0, 0, 1, 1},
        {-1000, -1000, 0, 0, -34, -33},   // sqrt(1200) = 34.6, sqrt(1150) = 33.9
        {5000, 3000, 1000, 1000, 1058, 1039},  // sqrt(3400) = 58.3, sqrt(1550) = 39.4
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "player at " << c.x << ", " << c.y);
        Scene s;
        int p = s.place(0, c.x, c.y);
        camera_x = c.camera_x;
        camera_y = c.camera_y;
        update_player(s[p], s.layer, 0);  // the camera steps even when time stands still
        EXPECT_EQ(camera_x, c.expected_x);
        EXPECT_EQ(camera_y, c.expected_y);
    }
}

TEST_F(PlayerTest, CameraStopsAtTheEndsOfItsRangeForFarAwayPlayer)
{
    int p = scene.place(0, 1e30f, -1e30f);
    camera_x = INT_MAX - 5;
    camera_y = INT_MIN + 5;
    update(p, 0);
    EXPECT_EQ(camera_x, INT_MAX);
    EXPECT_EQ(camera_y, INT_MIN);
}

TEST_F(PlayerTest, EntitiesWithoutBoxAreNoObstaclesAndCollideWithNothing)
{
    const float dt = 1.0f / 64;
    for (bool mover_lacks_box : {false, true}) {
        for (Scene::BoxLoss missing : Scene::box_losses) {
            SCOPED_TRACE(testing::Message() << "mover lacks box " << mover_lacks_box << ", case "
                                            << missing);
            Scene s;
            int block = s.place(1, 0, 100);
            int p = s.place(0, 0, 70);  // bottom edge passed the block's top
            s[p].old_y = 60;
            s[p].vy = 50;
            int without = mover_lacks_box ? p : block;
            s.lose_box(without, missing);
            update_player(s[p], s.layer, dt);
            const double vy = 50 + 981 * dt;
            EXPECT_FLOAT_EQ(s[p].vy, vy);
            EXPECT_FLOAT_EQ(s[p].y, 70 + vy * dt - 0.5 * 981 * dt * dt);
        }
    }
}

}  // namespace
