// The level: reading "map.txt" into five layers of entities, giving each its
// behaviour by type, and releasing it all again.
//
// The reader corrects nothing: a type outside 0..3 stays as read, and an
// entity with no frames gets no frame arrays. It does stop at the first
// value it cannot use (the file ends, a number is malformed or out of range,
// a count is negative, a frame count is larger than the rest of the file
// could hold), with one message saying what it expected, what it found and on
// which line. Entities read whole are kept, also those before the end of a
// file cut short, the one being read is dropped, and every layer still gets
// an array. Arrays are sized for no more than the rest of the file could
// fill, so a count cannot make the game allocate more than the file holds.
// A tileset name longer than its field is cut to fit, with a message, and
// reading goes on.
#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "entity.h"
#include "layer_index.h"
#include "map_tokens.h"
#include "message.h"
#include "tileset.h"

using Behaviour = void (*)(Entity &e, Layer &layer, float dt);

// Type, x, y, frames, then d1..d4: the fewest tokens an entity can take.
const int64_t entity_tokens_without_frames = 8;
const int64_t tokens_per_frame = 4;
const int64_t parameter_tokens = 4;  // d1..d4, after the frames
const size_t found_text_shown = 40;

// The value the reader is after, named for the message if it is not there.
struct Field {
    const char *name;
    int layer = -1;
    int entity = -1;
    int frame = -1;
};

struct Reader {
    MapTokens tokens;
    const char *file_name;
};

Layer::~Layer()
{
    free(entities);
    drop_layer_index(*this);
}

Map::Map(const char *file_name)
{
    load_map(*this, file_name);
}

void update_none(Entity &, Layer &, float) {}

// The layer takes over the entity's frame arrays.
void add(Layer &layer, const Entity &entity)
{
    drop_layer_index(layer);
    size_t bytes = sizeof(Entity) * (static_cast<size_t>(layer.entity_count) + 1);
    void *grown = layer.entities ? realloc(layer.entities, bytes) : malloc(bytes);
    if (!grown) {
        fputs("tarrow: out of memory\n", stderr);
        abort();
    }
    layer.entities = static_cast<Entity *>(grown);
    layer.entities[layer.entity_count] = entity;
    layer.entity_count++;
}

static Behaviour behaviour_for(int32_t type)
{
    if (type == 0)
        return update_player;
    if (type == 2)
        return update_walker;
    return update_none;
}

static void free_frames(Entity &e)
{
    free(e.setx);
    free(e.sety);
    free(e.sizex);
    free(e.sizey);
    e.setx = e.sety = e.sizex = e.sizey = nullptr;
}

void free_map(Map &map)
{
    if (map.tileset) {
        destroy_bitmap(map.tileset);
        map.tileset = nullptr;
    }
    for (Layer &layer : map.layers) {
        drop_layer_index(layer);
        if (!layer.entities)
            continue;
        for (int32_t j = 0; j < layer.entity_count; j++)
            free_frames(layer.entities[j]);
        free(layer.entities);
        layer.entities = nullptr;
        layer.entity_count = 0;
    }
}

static std::string describe(const Field &field)
{
    std::string text = std::string("the ") + field.name;
    if (field.frame >= 0)
        text += " of frame #" + std::to_string(field.frame);
    if (field.entity >= 0)
        text += " of entity #" + std::to_string(field.entity);
    if (field.layer >= 0)
        text += " of layer #" + std::to_string(field.layer);
    return text;
}

// The token as the player may see it: quoted, cut short, control characters
// replaced.
static std::string quoted_token(const MapTokens &tokens)
{
    std::string text = "\"";
    for (size_t i = 0; i < tokens.token.size() && i < found_text_shown; i++) {
        unsigned char c = static_cast<unsigned char>(tokens.token[i]);
        text += (c < 32 || c == 127) ? '?' : static_cast<char>(c);
    }
    if (tokens.token.size() > found_text_shown)
        text += "...";
    return text + "\"";
}

static void stop_reading(Reader &reader, const Field &field, const char *kind,
                         const std::string &found)
{
    std::string text = std::string(reader.file_name) + ", line " +
                       std::to_string(reader.tokens.token_line) + ": expected " +
                       describe(field) + " (" + kind + ") but found " + found +
                       ". Reading stops here; the game runs with what was read before.";
    show_message(text.c_str());
}

static bool next_value(Reader &reader, const Field &field, const char *kind)
{
    if (next_token(reader.tokens))
        return true;
    stop_reading(reader, field, kind, "the end of the file");
    return false;
}

// Reports a number the reader cannot use, and returns false.
static bool refuse_number(Reader &reader, const Field &field, const char *kind, NumberCheck check)
{
    if (check == NumberCheck::missing)
        stop_reading(reader, field, kind, "the end of the file");
    else if (check == NumberCheck::malformed)
        stop_reading(reader, field, kind, quoted_token(reader.tokens));
    else
        stop_reading(reader, field, kind, quoted_token(reader.tokens) + ", which is out of range");
    return false;
}

static bool read_int(Reader &reader, const Field &field, int32_t &value)
{
    NumberCheck check = next_int(reader.tokens, value);
    return check == NumberCheck::ok || refuse_number(reader, field, "a whole number", check);
}

static bool read_float(Reader &reader, const Field &field, float &value)
{
    NumberCheck check = next_float(reader.tokens, value);
    return check == NumberCheck::ok || refuse_number(reader, field, "a number", check);
}

static bool read_tileset_name(Reader &reader, Map &map)
{
    if (!next_value(reader, Field{"tileset name"}, "a file name"))
        return false;
    std::string_view name = reader.tokens.token;
    size_t room = tileset_name_size - 1;
    size_t kept = name.size() < room ? name.size() : room;
    memcpy(map.tileset_name, name.data(), kept);
    map.tileset_name[kept] = '\0';
    if (name.size() > room) {
        std::string text = std::string(reader.file_name) + ", line " +
                           std::to_string(reader.tokens.token_line) + ": the tileset name has " +
                           std::to_string(name.size()) + " characters, more than the " +
                           std::to_string(room) + " the game can hold. It is cut to \"" +
                           map.tileset_name + "\".";
        show_message(text.c_str());
    }
    map.tileset = load_tileset(map.tileset_name);
    return true;
}

static bool allocate_frames(Entity &e)
{
    size_t bytes = sizeof(int32_t) * static_cast<size_t>(e.frames);
    e.setx = static_cast<int32_t *>(malloc(bytes));
    e.sety = static_cast<int32_t *>(malloc(bytes));
    e.sizex = static_cast<int32_t *>(malloc(bytes));
    e.sizey = static_cast<int32_t *>(malloc(bytes));
    return e.setx && e.sety && e.sizex && e.sizey;
}

static bool read_frames(Reader &reader, Entity &e, int layer, int entity)
{
    const char *kind = "a whole number";
    Field count_field{"frame count", layer, entity};
    if (e.frames * tokens_per_frame + parameter_tokens > tokens_left(reader.tokens)) {
        stop_reading(reader, count_field, kind,
                     quoted_token(reader.tokens) +
                         ", more frames than the rest of the file can hold");
        return false;
    }
    if (!allocate_frames(e)) {
        stop_reading(reader, count_field, kind,
                     quoted_token(reader.tokens) + ", more frames than there is memory for");
        return false;
    }
    for (int k = 0; k < e.frames; k++) {
        if (!read_int(reader, Field{"setx value", layer, entity, k}, e.setx[k]) ||
            !read_int(reader, Field{"sety value", layer, entity, k}, e.sety[k]) ||
            !read_int(reader, Field{"sizex value", layer, entity, k}, e.sizex[k]) ||
            !read_int(reader, Field{"sizey value", layer, entity, k}, e.sizey[k]))
            return false;
    }
    return true;
}

// Reads one entity into out; on failure out is untouched and nothing leaks.
static bool read_entity(Reader &reader, Entity &out, int layer, int entity)
{
    Entity e;
    e.setx = e.sety = e.sizex = e.sizey = nullptr;
    bool whole = read_int(reader, Field{"type", layer, entity}, e.type) &&
                 read_float(reader, Field{"x position", layer, entity}, e.x) &&
                 read_float(reader, Field{"y position", layer, entity}, e.y) &&
                 read_int(reader, Field{"frame count", layer, entity}, e.frames) &&
                 (e.frames <= 0 || read_frames(reader, e, layer, entity)) &&
                 read_float(reader, Field{"d1 value", layer, entity}, e.d1) &&
                 read_float(reader, Field{"d2 value", layer, entity}, e.d2) &&
                 read_float(reader, Field{"d3 value", layer, entity}, e.d3) &&
                 read_float(reader, Field{"d4 value", layer, entity}, e.d4);
    if (!whole) {
        free_frames(e);
        return false;
    }
    e.current_frame = 0;
    e.old_x = e.x;
    e.old_y = e.y;
    e.vx = 0;
    e.vy = 0;
    e.update = behaviour_for(e.type);
    out = e;
    return true;
}

// Shrinks a layer whose reading stopped to the entities read whole. With
// none, the array stays as it is: the layer keeps an array either way.
static void keep_first(Layer &layer, int32_t kept)
{
    if (kept > 0) {
        void *shrunk = realloc(layer.entities, sizeof(Entity) * static_cast<size_t>(kept));
        if (shrunk)
            layer.entities = static_cast<Entity *>(shrunk);
    }
    layer.entity_count = kept;
}

static bool read_layer(Reader &reader, Layer &layer, int index)
{
    Field field{"entity count", index};
    int32_t count;
    if (!read_int(reader, field, count))
        return false;
    if (count < 0) {
        stop_reading(reader, field, "a whole number, 0 or more", quoted_token(reader.tokens));
        return false;
    }
    // A count larger than the rest of the file could hold only sizes the
    // array to what it could hold: the entities there are kept, and reading
    // stops where they run out. tokens_left never counts fewer tokens than
    // the file holds, so no whole entity finds the array full.
    int64_t room =
        std::min<int64_t>(count, tokens_left(reader.tokens) / entity_tokens_without_frames);
    Entity *entities = static_cast<Entity *>(malloc(sizeof(Entity) * static_cast<size_t>(room)));
    if (!entities) {
        stop_reading(reader, field, "a whole number",
                     quoted_token(reader.tokens) + ", more entities than there is memory for");
        return false;
    }
    layer.entities = entities;
    for (int32_t j = 0; j < count; j++) {
        Entity e;
        if (!read_entity(reader, e, index, j)) {
            keep_first(layer, j);
            return false;
        }
        layer.entities[j] = e;
    }
    layer.entity_count = count;
    return true;
}

void load_map(Map &map, const char *file_name)
{
    Reader reader{MapTokens(), file_name};
    read_tokens(reader.tokens, file_name);

    bool has_header = next_token(reader.tokens);
    if (!has_header || reader.tokens.token != "001")
        show_message("Error! Wrong file format!");

    // A missing or empty file is a wrong format and nothing more: the level is empty.
    bool reading = has_header && read_tileset_name(reader, map);
    for (int i = 0; i < layer_count; i++) {
        Layer &layer = map.layers[i];
        reading = reading && read_layer(reader, layer, i);
        if (!layer.entities)
            layer.entities = static_cast<Entity *>(malloc(0));
    }
}
