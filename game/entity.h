// The game's level in memory: five layers of live entities, each with its
// frames (source rectangles in the tileset) and its behaviour by type.
//
// An entity's box is its frame at current_frame. An entity whose
// current_frame has no frame (a level can give fewer frames than an
// animation selects, or none) has no box: it is not drawn, and the
// collision passes skip it.
#pragma once

#include <cstdint>

struct BITMAP;
struct Layer;
struct LayerIndex;

struct Entity {
    float x = 0, y = 0;          // top-left corner, world pixels
    float old_x, old_y;          // position before the latest movement step
    float vx = 0, vy = 0;        // pixels per second, y grows downwards
    int32_t type;                // 0 player, 1 block, 2 walker, 3 message board
    float d1 = 0, d2 = 0, d3 = 0, d4 = 0;  // meaning depends on type
    int32_t frames;
    int32_t current_frame = 0;   // changed only by draw_entity
    int32_t *setx;
    int32_t *sety;
    int32_t *sizex;
    int32_t *sizey;
    void (*update)(Entity &e, Layer &layer, float dt);
};

// True when current_frame names one of the entity's frames.
inline bool has_box(const Entity &e)
{
    return e.current_frame >= 0 && e.current_frame < e.frames && e.sizex && e.sizey;
}

struct Layer {
    int32_t entity_count = 0;
    Entity *entities = nullptr;
    // Where the entities stand, for the passes to find the few that matter;
    // none by default, and then every pass looks at every entity.
    LayerIndex *index = nullptr;

    Layer() = default;
    Layer(const Layer &) = delete;
    Layer &operator=(const Layer &) = delete;
    // Releases the entity array and the index, not the entities' frame arrays.
    ~Layer();
};

const int layer_count = 5;
const int tileset_name_size = 32;  // 31 characters and the terminator

struct Map {
    Layer layers[layer_count];
    char tileset_name[tileset_name_size] = "";
    BITMAP *tileset = nullptr;

    Map() = default;
    explicit Map(const char *file_name);
};

// Appends the entity; the layer's index, if any, is dropped.
void add(Layer &layer, const Entity &entity);
void load_map(Map &map, const char *file_name);
// Releases the tileset and every array of the level, leaving it empty.
void free_map(Map &map);

// Behaviours, chosen by type at load.
void update_none(Entity &e, Layer &layer, float dt);
void update_player(Entity &e, Layer &layer, float dt);
void update_walker(Entity &e, Layer &layer, float dt);

// Advances the entity's animation by dt, then draws it relative to the camera.
void draw_entity(Entity &entity, BITMAP *dest, BITMAP *tileset, int camera_x, int camera_y,
                 float dt);
