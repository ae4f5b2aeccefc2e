// The indexed pass against the plain pass: the same random level built
// twice, one copy indexed, both played side by side for many frames with
// varied dt and keys. After every frame every field of every entity, the
// camera and every pixel drawn must be the same.
//
// The levels hold what the index has to get right: floors and pens with
// walkers, walkers falling, players (most in layer 0, a few elsewhere),
// entities piled on each other, entities with no frames, with fewer frames
// than their animation uses, with negative, zero and huge sizes, far away,
// beyond the grid and at positions that are not finite, and cameras far
// from everything. The bundled demo level is played both ways too.
#include <allegro.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "entity_fixture.h"
#include "frame.h"
#include "game.h"
#include "layer_index.h"
#include "screen_size.h"

namespace {

const char *const demo_folder = FIXTURES "/../../../levels/demo";
const int seeds = 60;
const int frames_per_seed = 90;
const float infinity = std::numeric_limits<float>::infinity();

using Random = std::mt19937;

int pick(Random &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

float between(Random &random, float low, float high)
{
    return std::uniform_real_distribution<float>(low, high)(random);
}

bool chance(Random &random, double p)
{
    return std::bernoulli_distribution(p)(random);
}

template <class T>
T one_of(Random &random, std::initializer_list<T> values)
{
    return *(values.begin() + pick(random, 0, int(values.size()) - 1));
}

void give_behaviour(Entity &e)
{
    e.update = e.type == 0 ? update_player : e.type == 2 ? update_walker : update_none;
}

// Turns every frame of the entity around its position, so that its boxes
// run left and up from (x, y).
Entity mirrored(Entity e)
{
    for (int32_t k = 0; k < e.frames; k++) {
        e.sizex[k] = -e.sizex[k];
        e.sizey[k] = -e.sizey[k];
    }
    return e;
}

Entity block(float x, float y, int32_t w = 32, int32_t h = 32)
{
    return entity_with_frames(1, x, y, {{0, 0, w, h}});
}

// A walker of three frames (or fewer, now and then) with animation values
// a level may give it.
Entity walker(Random &random, float x, float y)
{
    int frames = chance(random, 0.2) ? pick(random, 1, 2) : 3;
    Entity e = entity_with_row_frames(2, x, y, frames);
    e.d1 = one_of(random, {0.0f, 1.0f, 1.0f, 0.0f, 2.0f, 0.5f});
    e.d2 = one_of(random, {0.0f, 1.0f, 2.0f, 3.0f, 0.5f});
    e.d3 = between(random, 0, 1);
    e.d4 = one_of(random, {0.0f, 1.0f, 2.0f, 4.0f, 5.0f});
    give_behaviour(e);
    return e;
}

Entity player(Random &random, float x, float y)
{
    int frames = chance(random, 0.15) ? pick(random, 1, 3) : 4;
    Entity e = entity_with_row_frames(0, x, y, frames);
    if (chance(random, 0.05))
        e.sizey[0] = -32;  // a mover whose box runs upwards in one frame
    give_behaviour(e);
    return chance(random, 0.05) ? mirrored(e) : e;
}

// A floor of blocks from x, a wall at each end and a walker between them;
// a mirrored pen is the same with every box turned around its corner.
void add_pen(Layer &layer, Random &random, float x, float y, bool mirror)
{
    const float b = mirror ? -32 : 32;
    auto place = [&](const Entity &e) { add(layer, mirror ? mirrored(e) : e); };
    int length = pick(random, 3, 14);
    for (int k = 0; k < length; k++)
        place(block(x + b * k, y));
    place(block(x, y - b));
    place(block(x + b * (length - 1), y - b));
    place(walker(random, x + b * (length / 2), y - b * between(random, 1, 1.25f)));
}

// Anything at all: odd sizes, frame counts, types, positions.
Entity oddity(Random &random)
{
    float x = between(random, -300, 1300), y = between(random, -300, 1000);
    if (chance(random, 0.3))
        x = one_of(random, {1.0e7f, 2.0e7f, -3.0e7f, 1.0e30f, infinity, -infinity,
                            std::nanf("")});
    if (chance(random, 0.1))
        y = one_of(random, {-2.0e7f, 5.0e8f, infinity, std::nanf("")});
    std::vector<FrameRect> frames;
    int count = pick(random, 0, 4);
    for (int k = 0; k < count; k++) {
        int32_t w = one_of(random, {32, 32, 1, 0, -24, -200, 200, 5000, 1 << 30});
        int32_t h = one_of(random, {32, 32, 7, 0, -8, -40, 300, 1 << 30});
        frames.push_back({32 * k, 0, w, h});
    }
    int32_t type = one_of(random, {1, 1, 2, 3, 7, 0});
    Entity e = entity_with_frames(type, x, y, frames);
    if (chance(random, 0.1))
        e.current_frame = one_of(random, {-1, 1, 5});
    e.d1 = one_of(random, {0.0f, 1.0f});
    e.d2 = one_of(random, {0.0f, 1.0f, 2.0f});
    e.d4 = 1;
    give_behaviour(e);
    return e;
}

void add_random_layer(Layer &layer, Random &random, int index)
{
    int pieces = pick(random, 0, 12);
    for (int n = 0; n < pieces; n++) {
        int kind = pick(random, 0, 11);
        float x = between(random, -400, 1400), y = between(random, -200, 900);
        if (kind <= 2) {
            add_pen(layer, random, x, y, chance(random, 0.25));
        } else if (kind == 3) {
            int length = pick(random, 2, 30);
            for (int k = 0; k < length; k++)
                add(layer, block(x + 32 * k, y));
        } else if (kind == 4) {
            add(layer, walker(random, x, y));  // in the air
        } else if (kind == 10) {
            // Blocks reaching up from their position, with a player inside
            // them just below their top: a jump hits that top as a ceiling.
            for (int k = 0; k < 4; k++)
                add(layer, block(x + 32 * k, y, 32, -300));
            add(layer, player(random, x + 40, y - 290));
        } else if (kind == 9) {
            // Walkers with mirrored boxes, which only wider boxes stop.
            for (int k = 0; k < 4; k++)
                add(layer, block(x + 200 * k, y, 200, 32));
            add(layer, mirrored(walker(random, x + between(random, 100, 700), y - 8)));
        } else if (kind == 5) {
            // A pile of entities on top of each other.
            int pile = pick(random, 2, 5);
            for (int k = 0; k < pile; k++)
                add(layer, chance(random, 0.5) ? block(x + pick(random, -8, 8), y)
                                               : walker(random, x, y + pick(random, -8, 8)));
        } else {
            add(layer, oddity(random));
        }
        if (index == 0 ? n == 0 : chance(random, 0.03))
            add(layer, player(random, x + 32, y - 64));
    }
}

void build_random_level(Map &map, uint32_t seed)
{
    Random random(seed);
    for (int i = 0; i < layer_count; i++)
        add_random_layer(map.layers[i], random, i);
}

// Every third pixel colour of the tileset differs, and a stripe of it is
// the mask colour, so that both the order of drawing and the blit used show.
BITMAP *make_tileset()
{
    BITMAP *tileset = create_bitmap(160, 48);
    for (int y = 0; y < tileset->h; y++)
        for (int x = 0; x < tileset->w; x++)
            putpixel(tileset, x, y, makecol(x * 3 % 256, y * 5 % 256, (x + y) % 256));
    rectfill(tileset, 0, 10, 159, 14, bitmap_mask_color(tileset));
    return tileset;
}

// The first difference between the two levels' entities, or "".
std::string difference(const Map &plain, const Map &indexed)
{
    std::ostringstream out;
    auto same_bits = [](float a, float b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    };
    for (int i = 0; i < layer_count; i++) {
        const Layer &a = plain.layers[i], &b = indexed.layers[i];
        if (a.entity_count != b.entity_count)
            return "entity count of layer " + std::to_string(i);
        for (int32_t j = 0; j < a.entity_count; j++) {
            const Entity &p = a.entities[j], &q = b.entities[j];
            const float pf[] = {p.x, p.y, p.old_x, p.old_y, p.vx, p.vy, p.d1, p.d2, p.d3, p.d4};
            const float qf[] = {q.x, q.y, q.old_x, q.old_y, q.vx, q.vy, q.d1, q.d2, q.d3, q.d4};
            const char *names[] = {"x", "y", "old_x", "old_y", "vx", "vy", "d1", "d2", "d3", "d4"};
            for (int k = 0; k < 10; k++)
                if (!same_bits(pf[k], qf[k]))
                    out << names[k] << " " << pf[k] << " against " << qf[k] << "; ";
            if (p.type != q.type || p.frames != q.frames || p.update != q.update)
                out << "type, frames or update; ";
            if (p.current_frame != q.current_frame)
                out << "current_frame " << p.current_frame << " against " << q.current_frame << "; ";
            if (!out.str().empty())
                return out.str() + "entity " + std::to_string(j) + " of layer " + std::to_string(i);
        }
    }
    return "";
}

// Rows of pixels that differ, as "row r" for the first, or "".
std::string pixel_difference(BITMAP *a, BITMAP *b)
{
    for (int y = 0; y < a->h; y++)
        if (std::memcmp(a->line[y], b->line[y], size_t(a->w) * 4) != 0)
            return "pixels differ in row " + std::to_string(y);
    return "";
}

// The keys and the player's bindings for the test, put back when it ends.
struct Keys {
    PlayerControls saved = player_controls;
    int32_t saved_camera_x = camera_x, saved_camera_y = camera_y;

    Keys()
    {
        player_controls = PlayerControls(3, KeyBindings(KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_RCONTROL));
    }
    ~Keys()
    {
        key[KEY_LEFT] = key[KEY_RIGHT] = key[KEY_SPACE] = 0;
        player_controls = saved;
        camera_x = saved_camera_x;
        camera_y = saved_camera_y;
    }

    // Held keys change now and then, as a player's would.
    void vary(Random &random)
    {
        for (int code : {KEY_LEFT, KEY_RIGHT, KEY_SPACE})
            if (chance(random, 0.15))
                key[code] = !key[code];
    }
};

// One copy of the level with its own camera and back buffer.
struct Side {
    Map map;
    int32_t camera_x, camera_y;
    BITMAP *back_buffer = create_bitmap(800, 600);

    ~Side()
    {
        destroy_bitmap(back_buffer);
        free_map(map);
    }

    void pass(float dt)
    {
        ::camera_x = camera_x;
        ::camera_y = camera_y;
        update_pass(map, dt);
        clear_bitmap(back_buffer);
        draw_pass(map, back_buffer, ::camera_x, ::camera_y, dt);
        camera_x = ::camera_x;
        camera_y = ::camera_y;
    }
};

// Loads the level in the folder (where its tileset is) into map.
void load_from_folder(Map &map, const char *folder)
{
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here) || chdir(folder) != 0)
        ADD_FAILURE() << "cannot enter " << folder;
    load_map(map, "map.txt");
    if (chdir(here) != 0)
        ADD_FAILURE() << "cannot return to " << here;
}

}  // namespace

TEST(IndexedPass, GivesExactlyThePlainPassesResultsOnTheDemoLevel)
{
    ScreenSize screen(800, 600);
    Keys keys;
    Side plain, indexed;
    load_from_folder(plain.map, demo_folder);
    load_from_folder(indexed.map, demo_folder);
    index_map(indexed.map);
    plain.camera_x = indexed.camera_x = -100;
    plain.camera_y = indexed.camera_y = -100;
    // Twenty seconds at 60 frames a second: runs to the right with jumps,
    // then back to the left.
    const int frames = 1200;
    for (int frame = 0; frame < frames; frame++) {
        key[KEY_RIGHT] = frame < 800;
        key[KEY_LEFT] = frame >= 800;
        key[KEY_SPACE] = frame % 90 < 10;
        plain.pass(1.0f / 60);
        indexed.pass(1.0f / 60);
        ASSERT_EQ(difference(plain.map, indexed.map), "") << "frame " << frame;
        ASSERT_EQ(plain.camera_x, indexed.camera_x) << "frame " << frame;
        ASSERT_EQ(plain.camera_y, indexed.camera_y) << "frame " << frame;
        ASSERT_EQ(pixel_difference(plain.back_buffer, indexed.back_buffer), "") << "frame " << frame;
    }
}

TEST(IndexedPass, GivesExactlyThePlainPassesResultsOnRandomLevels)
{
    ScreenSize screen(800, 600);
    Keys keys;
    for (uint32_t seed = 1; seed <= seeds; seed++) {
        Random random(seed * 7919u);
        Side plain, indexed;
        build_random_level(plain.map, seed);
        build_random_level(indexed.map, seed);
        index_map(indexed.map);
        if (!chance(random, 0.1)) {
            plain.map.tileset = make_tileset();
            indexed.map.tileset = make_tileset();
        }
        plain.camera_x = indexed.camera_x = one_of(random, {-100, -100, 300, -2000000000, 30000000});
        plain.camera_y = indexed.camera_y = one_of(random, {-100, -100, 200, 2000000000});
        for (int frame = 0; frame < frames_per_seed; frame++) {
            keys.vary(random);
            float dt = one_of(random, {0.0f, 0.0001f, 1.0f / 60, 1.0f / 60, 1.0f / 30, 0.1f, 0.3f,
                                       between(random, 0, 0.05f)});
            plain.pass(dt);
            indexed.pass(dt);
            ASSERT_EQ(difference(plain.map, indexed.map), "") << "seed " << seed << ", frame " << frame;
            ASSERT_EQ(plain.camera_x, indexed.camera_x) << "seed " << seed << ", frame " << frame;
            ASSERT_EQ(plain.camera_y, indexed.camera_y) << "seed " << seed << ", frame " << frame;
            ASSERT_EQ(pixel_difference(plain.back_buffer, indexed.back_buffer), "")
                << "seed " << seed << ", frame " << frame;
        }
    }
}
