// The bundled demo level (levels/demo), read by the game's own loader and
// played with the game's own update and draw passes at a steady 60 frames
// per second: it loads without a message, every entity has the frames its
// look and animation use, every frame is cut cleanly from the tileset, the
// player stands and runs on the ground, the walkers patrol their pens, and
// a scripted run crosses the whole level.
#include <allegro.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "frame.h"
#include "game.h"
#include "message.h"
#include "screen_size.h"

namespace {

const char *const demo_folder = FIXTURES "/../../../levels/demo";
const float frame_time = 1.0f / 60;
const int player_type = 0, block_type = 1, walker_type = 2, board_type = 3;

std::vector<std::string> shown_messages;

void record_message(const char *text)
{
    shown_messages.push_back(text);
}

// The demo level, loaded from its own folder so that its tileset is found.
struct DemoLevel {
    Map map;

    DemoLevel()
    {
        char here[PATH_MAX];
        if (!getcwd(here, sizeof here) || chdir(demo_folder) != 0)
            ADD_FAILURE() << "cannot enter " << demo_folder;
        void (*saved)(const char *) = show_message;
        shown_messages.clear();
        show_message = record_message;
        load_map(map, "map.txt");
        show_message = saved;
        if (chdir(here) != 0)
            ADD_FAILURE() << "cannot return to " << here;
    }
    DemoLevel(const DemoLevel &) = delete;
    DemoLevel &operator=(const DemoLevel &) = delete;
    ~DemoLevel() { free_map(map); }
};

// Frames a look and its animation select: the player 0 to 3, a walker 0 to
// 2 or, with the two-frame pattern, 0 and 1; everything else frame 0.
int frames_used(const Entity &e)
{
    if (e.type == player_type)
        return 4;
    if (e.type == walker_type)
        return e.d2 == 1 ? 2 : 3;
    return 1;
}

TEST(DemoLevel, LoadsWithoutAnyMessage)
{
    DemoLevel demo;
    EXPECT_TRUE(shown_messages.empty()) << shown_messages.front();
    EXPECT_STREQ(demo.map.tileset_name, "tileset.bmp");
    EXPECT_NE(demo.map.tileset, nullptr);
}

TEST(DemoLevel, HoldsOnePlayerEveryWalkerPatternABoardAndFourLayersBehind)
{
    DemoLevel demo;
    int players = 0, boards = 0;
    std::set<float> patterns;
    for (int i = 0; i < layer_count; i++) {
        const Layer &layer = demo.map.layers[i];
        if (i > 0) {
            EXPECT_GT(layer.entity_count, 0) << "layer " << i << " is empty";
        }
        for (int j = 0; j < layer.entity_count; j++) {
            const Entity &e = layer.entities[j];
            EXPECT_GE(e.type, player_type);
            EXPECT_LE(e.type, board_type);
            if (e.type == player_type || e.type == walker_type) {
                EXPECT_EQ(i, 0) << "the player and walkers play in layer 0";
            }
            players += e.type == player_type;
            boards += e.type == board_type;
            if (e.type == walker_type)
                patterns.insert(e.d2);
        }
    }
    EXPECT_EQ(players, 1);
    EXPECT_GE(boards, 1);
    EXPECT_EQ(patterns, (std::set<float>{0, 1, 2}));
}

TEST(DemoLevel, EveryEntityHasTheFramesItsLookAndAnimationUse)
{
    DemoLevel demo;
    for (int i = 0; i < layer_count; i++)
        for (int j = 0; j < demo.map.layers[i].entity_count; j++) {
            const Entity &e = demo.map.layers[i].entities[j];
            SCOPED_TRACE(testing::Message() << "entity #" << j << " of layer #" << i);
            ASSERT_GE(e.frames, frames_used(e));
            // Animated sprites keep one size, so their box does not change
            // from frame to frame.
            for (int k = 1; k < frames_used(e); k++) {
                EXPECT_EQ(e.sizex[k], e.sizex[0]);
                EXPECT_EQ(e.sizey[k], e.sizey[0]);
            }
            if (e.type == walker_type && e.d2 == 2) {
                EXPECT_EQ(e.d4, 1) << "the back-and-forth pattern starts its steps at 1";
            }
        }
}

bool is_mask(BITMAP *bmp, int x, int y)
{
    return getpixel(bmp, x, y) == bitmap_mask_color(bmp);
}

TEST(DemoLevel, EveryFrameIsCutFromTheTilesetWithMaskColourAround)
{
    DemoLevel demo;
    BITMAP *tileset = demo.map.tileset;
    ASSERT_NE(tileset, nullptr);
    // Each distinct rectangle once, with whether it is drawn opaquely.
    std::set<std::tuple<int, int, int, int, bool>> frames;
    for (const Layer &layer : demo.map.layers)
        for (int j = 0; j < layer.entity_count; j++) {
            const Entity &e = layer.entities[j];
            for (int k = 0; k < e.frames; k++)
                frames.insert({e.setx[k], e.sety[k], e.sizex[k], e.sizey[k],
                               e.type == block_type});
        }
    for (const auto &[x, y, w, h, opaque] : frames) {
        SCOPED_TRACE(testing::Message() << "frame (" << x << ", " << y << ", " << w << ", " << h
                                        << ")");
        ASSERT_GE(x, 1);
        ASSERT_GE(y, 1);
        ASSERT_LE(x + w, tileset->w - 1);
        ASSERT_LE(y + h, tileset->h - 1);
        int unmasked_ring = 0, masked_inside = 0;
        for (int i = -1; i <= w; i++)
            unmasked_ring += !is_mask(tileset, x + i, y - 1) + !is_mask(tileset, x + i, y + h);
        for (int i = 0; i < h; i++)
            unmasked_ring += !is_mask(tileset, x - 1, y + i) + !is_mask(tileset, x + w, y + i);
        for (int row = y; row < y + h; row++)
            for (int col = x; col < x + w; col++)
                masked_inside += is_mask(tileset, col, row);
        EXPECT_EQ(unmasked_ring, 0) << "the frame cuts into a neighbouring picture";
        if (opaque) {
            EXPECT_EQ(masked_inside, 0) << "a block is drawn opaquely: its mask colour would show";
        }
    }
}

enum Keys { none = 0, right = 1, jump = 2 };

// Plays the level as the game loop does, one pass per frame, into a back
// buffer of the window's size.
class DemoPlay : public testing::Test {
  protected:
    ScreenSize screen{800, 600};
    DemoLevel demo;
    BITMAP *back_buffer = create_bitmap(800, 600);
    Entity *player = nullptr;

    void SetUp() override
    {
        player_controls = PlayerControls(3, KeyBindings(KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_RCONTROL));
        camera_x = camera_y = -100;
        hold(none);
        const Layer &play_layer = demo.map.layers[0];
        for (int j = 0; j < play_layer.entity_count; j++)
            if (play_layer.entities[j].type == player_type)
                player = &play_layer.entities[j];
        ASSERT_NE(player, nullptr);
    }
    void TearDown() override
    {
        hold(none);
        player_controls = PlayerControls();
        camera_x = camera_y = -100;
        destroy_bitmap(back_buffer);
    }

    static void hold(int keys)
    {
        key[KEY_LEFT] = 0;
        key[KEY_RIGHT] = (keys & right) != 0;
        key[KEY_SPACE] = (keys & jump) != 0;
    }

    void pass()
    {
        update_pass(demo.map, frame_time);
        draw_pass(demo.map, back_buffer, camera_x, camera_y, frame_time);
        clear_bitmap(back_buffer);
    }

    void play(float seconds)
    {
        for (int i = 0; i < std::lround(seconds / frame_time); i++)
            pass();
    }

    std::vector<Entity *> walkers()
    {
        std::vector<Entity *> found;
        const Layer &play_layer = demo.map.layers[0];
        for (int j = 0; j < play_layer.entity_count; j++)
            if (play_layer.entities[j].type == walker_type)
                found.push_back(&play_layer.entities[j]);
        return found;
    }

    // Whether a box of layer 0 stands within `distance` pixels ahead of the
    // player's right edge, level with some part of it.
    bool blocked_ahead(float distance)
    {
        const Layer &play_layer = demo.map.layers[0];
        float right_edge = player->x + player->sizex[0];
        float bottom = player->y + player->sizey[0];
        for (int j = 0; j < play_layer.entity_count; j++) {
            const Entity &o = play_layer.entities[j];
            if (&o == player)
                continue;
            int f = o.current_frame;
            bool level = o.y < bottom && o.y + o.sizey[f] > player->y;
            bool ahead = o.x + o.sizex[f] > right_edge && o.x - right_edge <= distance;
            if (level && ahead)
                return true;
        }
        return false;
    }
};

TEST_F(DemoPlay, PlayerStandsOnTheGroundUntilAKeyIsHeld)
{
    float start_x = player->x, start_y = player->y;
    play(2);
    EXPECT_EQ(player->x, start_x);
    // Standing alternates between resting on the ground and sinking a
    // fraction of a pixel into it, which the next landing undoes.
    EXPECT_NEAR(player->y, start_y, 0.5);
    EXPECT_EQ(player->current_frame, 3) << "standing";
}

TEST_F(DemoPlay, HoldingRightRunsThePlayerAlongTheGround)
{
    float start_x = player->x, start_y = player->y;
    hold(right);
    play(2);
    // 900 px/s^2 up to 250 px/s takes 0.28 s and 35 px; the rest of the two
    // seconds at 250 px/s makes 430 px more. Frame by frame at 60 fps it
    // comes to 463 px.
    EXPECT_NEAR(player->x - start_x, 463, 2);
    EXPECT_NEAR(player->y, start_y, 0.5);
}

TEST_F(DemoPlay, WalkersPatrolTheirPensWithoutFalling)
{
    std::vector<Entity *> pen_walkers = walkers();
    struct Track {
        float start_y, min_x, max_x, direction;
        int turns;
    };
    std::vector<Track> tracks;
    for (Entity *w : pen_walkers)
        tracks.push_back({w->y, w->x, w->x, w->d1, 0});
    for (int frame = 0; frame < 30 * 60; frame++) {
        pass();
        for (size_t i = 0; i < pen_walkers.size(); i++) {
            Track &t = tracks[i];
            const Entity &w = *pen_walkers[i];
            t.min_x = std::min(t.min_x, w.x);
            t.max_x = std::max(t.max_x, w.x);
            t.turns += w.d1 != t.direction;
            t.direction = w.d1;
            ASSERT_NEAR(w.y, t.start_y, 0.5) << "walker " << i << " left its floor";
        }
    }
    for (size_t i = 0; i < tracks.size(); i++) {
        SCOPED_TRACE(testing::Message() << "walker " << i);
        // 30 s at 250 px/s over a pen of about 250 px: dozens of turns.
        EXPECT_GE(tracks[i].turns, 20);
        EXPECT_GT(tracks[i].max_x - tracks[i].min_x, 150);
        EXPECT_LT(tracks[i].max_x - tracks[i].min_x, 320);
    }
}

TEST_F(DemoPlay, ScriptedRunCrossesTheLevelToTheTown)
{
    // Jumps up the planks to the plateau: from the ground, from the first
    // planks and from the second, each somewhere along a stretch.
    const struct {
        float from_x, to_x, standing_y;
    } climbs[] = {{1612, 1700, 416}, {1772, 1860, 352}, {1964, 2048, 288}};
    const float jump_distance = 70;
    const float journey_end = 3900;
    // A landing comes in the update after the feet pass the ground's top:
    // falling from the plateau, that is up to 10 px deep for one frame.
    const float landing_depth = 16;
    const float plateau_y = 256;  // the player standing on the plateau
    float ground_y = player->y;
    float lowest = player->y;
    bool stood_on_plateau = false;
    for (int frame = 0; frame < 60 * 60 && player->x < journey_end; frame++) {
        bool standing = player->vy == 0;
        bool climb = false;
        for (const auto &c : climbs)
            climb = climb || (player->x >= c.from_x && player->x < c.to_x &&
                              std::fabs(player->y - c.standing_y) < 1);
        hold(right | (standing && (climb || blocked_ahead(jump_distance)) ? jump : none));
        pass();
        lowest = std::max(lowest, player->y);
        stood_on_plateau = stood_on_plateau || (player->vy == 0 && player->y == plateau_y);
    }
    hold(none);
    play(1);
    EXPECT_GE(player->x, journey_end) << "stuck at (" << player->x << ", " << player->y << ")";
    EXPECT_TRUE(stood_on_plateau) << "the planks lead up to the plateau";
    EXPECT_LT(lowest, ground_y + landing_depth) << "the player fell through the ground";
    EXPECT_NEAR(player->y, ground_y, 0.5) << "the run ends on the ground";
}

}  // namespace
