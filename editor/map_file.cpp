// Reading and writing the level file.
//
// The file is a run of whitespace-separated tokens: "001", the tileset name,
// then five layer blocks: a tile count, then per tile its type, x, y, frame
// count, four values per frame (setx, sety, sizex, sizey) and d1 to d4. Line
// breaks carry no meaning.
//
// Reading never gives up as a whole. A wrong header, a type outside 0..3 and
// a frame count below 1 are reported and corrected, and reading goes on.
// Anything else the reader cannot take (a missing or malformed token, a
// negative count, a frame count that the rest of the file cannot hold, data
// after the last layer, a tileset name too long to keep) is reported in one
// message; reading stops there except for the name. Tiles read whole are
// kept, also those before the end of a file cut short, and the original file
// is first copied beside it, so the save at exit loses nothing that was not
// understood. Arrays are sized for no more than the tokens left could fill,
// so a file cannot make the editor allocate more than it describes.
//
// Writing puts one token per line and d1 to d4 with six significant digits,
// then replaces the file atomically. Numbers are converted without the C
// locale, so a decimal comma setting never changes the file.
#include <allegro.h>

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "file_safety.h"
#include "map.h"
#include "message.h"
#include "tileset.h"

const int32_t lowest_type = 0;
const int32_t highest_type = 3;
const size_t values_per_frame = 4;
const size_t least_values_per_tile = 12;  // type, x, y, frames, one frame, d1..d4
const char *const default_tileset_name = "tileset.bmp";

static bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

static size_t count_tokens(const std::string &text)
{
    size_t count = 0;
    for (size_t i = 0; i < text.size(); i++) {
        if (!is_space(text[i]) && (i == 0 || is_space(text[i - 1])))
            count++;
    }
    return count;
}

// Where the reader stands in the file, and what it has reported so far.
struct MapReader {
    const char *file_name;
    const std::string &text;
    size_t pos = 0;
    int line = 1;
    size_t tokens_left = 0;
    int token_line = 1;         // line of the token read last
    bool stopped = false;       // a fault ended the reading
    std::string original_note;  // what became of the original file, once decided

    MapReader(const char *file_name, const std::string &text)
        : file_name(file_name), text(text), tokens_left(count_tokens(text))
    {
    }
};

// Which value a token should hold, for messages: layer, tile and frame
// numbers count from 0; a tile or frame of -1 is not part of the place.
struct Place {
    const char *value;
    int layer;
    int tile = -1;
    int frame = -1;
};

static bool next_token(MapReader &r, std::string_view &token)
{
    while (r.pos < r.text.size() && is_space(r.text[r.pos])) {
        if (r.text[r.pos] == '\n')
            r.line++;
        r.pos++;
    }
    if (r.pos == r.text.size())
        return false;
    size_t start = r.pos;
    while (r.pos < r.text.size() && !is_space(r.text[r.pos]))
        r.pos++;
    token = std::string_view(r.text).substr(start, r.pos - start);
    r.token_line = r.line;
    r.tokens_left--;
    return true;
}

// A token as it can be quoted in a message: control bytes become '?', and a
// long token is cut short.
static std::string quoted(std::string_view token)
{
    const size_t longest_shown = 40;
    std::string shown = "\"";
    for (size_t i = 0; i < token.size() && i < longest_shown; i++) {
        unsigned char c = token[i];
        shown += (c < 0x20 || c == 0x7f) ? '?' : token[i];
    }
    if (token.size() > longest_shown)
        shown += "...";
    return shown + "\"";
}

static std::string describe(const Place &place)
{
    std::string text = place.value;
    if (place.frame >= 0)
        text += " of frame #" + std::to_string(place.frame);
    if (place.tile >= 0)
        text += " of tile #" + std::to_string(place.tile);
    if (place.layer >= 0)
        text += " of layer #" + std::to_string(place.layer);
    return text;
}

// Copies the original file beside it the first time something in it cannot
// be kept, and says where; a file that cannot be copied is not replaced later.
static const std::string &note_on_original(MapReader &r)
{
    if (!r.original_note.empty())
        return r.original_note;
    std::string reason;
    std::string backup = keep_backup(r.file_name, r.text, reason);
    if (!backup.empty()) {
        r.original_note = " The original file is kept as " + backup + ".";
    } else {
        keep_untouched(r.file_name);
        r.original_note = " The original file could not be copied beside it (" + reason +
                          "), so saving will not replace it.";
    }
    return r.original_note;
}

// Reports what the reader expected and what it found instead (found is null
// at the end of the file), and stops the reading.
static void stop_reading(MapReader &r, const Place &place, const std::string &kind,
                         const std::string_view *found)
{
    std::string text = std::string(r.file_name) + ", line " + std::to_string(r.token_line) +
                       ": expected " + describe(place) + " (" + kind + ") but ";
    text += found ? "found " + quoted(*found) : std::string("the file ends after this line");
    text += ". Reading stops here; the level keeps what was read before.";
    text += note_on_original(r);
    show_message(text.c_str());
    r.stopped = true;
}

static bool read_token(MapReader &r, std::string_view &token, const Place &place, const char *kind)
{
    if (r.stopped)
        return false;
    if (next_token(r, token))
        return true;
    stop_reading(r, place, kind, nullptr);
    return false;
}

static bool all_digits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// An optional sign and decimal digits, within the 32-bit range.
static bool read_int(MapReader &r, int32_t &value, const Place &place)
{
    const char *kind = "a whole number";
    std::string_view token;
    if (!read_token(r, token, place, kind))
        return false;
    std::string_view digits = token;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-'))
        digits.remove_prefix(1);
    if (!all_digits(digits)) {
        stop_reading(r, place, kind, &token);
        return false;
    }
    // from_chars takes a minus sign but no plus sign.
    const char *first = token[0] == '+' ? token.data() + 1 : token.data();
    if (std::from_chars(first, token.data() + token.size(), value).ec != std::errc()) {
        stop_reading(r, place, "a whole number from -2147483648 to 2147483647", &token);
        return false;
    }
    return true;
}

// Decimal floating-point forms only: an optional sign, digits with an
// optional fraction, an optional exponent. Hexadecimal, inf and nan are not
// numbers of the format.
static bool is_decimal(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        i++;
    size_t digits_start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        i++;
    size_t digits = i - digits_start;
    if (i < text.size() && text[i] == '.') {
        size_t fraction_start = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            i++;
        digits += i - fraction_start;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        i++;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            i++;
        return all_digits(text.substr(i));
    }
    return i == text.size();
}

static bool read_float(MapReader &r, float &value, const Place &place)
{
    const char *kind = "a decimal number";
    std::string_view token;
    if (!read_token(r, token, place, kind))
        return false;
    if (!is_decimal(token)) {
        stop_reading(r, place, kind, &token);
        return false;
    }
    // strtof_l with the C locale rounds correctly and, unlike from_chars,
    // tells an overflow (infinity) from an underflow (a value near 0).
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    std::string text(token);
    value = strtof_l(text.c_str(), nullptr, c_locale);
    if (std::isinf(value)) {
        stop_reading(r, place, "a decimal number within the range of a 32-bit float", &token);
        return false;
    }
    return true;
}

static bool count_not_negative(MapReader &r, int32_t count, const Place &place)
{
    if (count >= 0)
        return true;
    std::string found = std::to_string(count);
    std::string_view found_view = found;
    stop_reading(r, place, "a whole number, 0 or more", &found_view);
    return false;
}

// A count of items that take per_item tokens each, followed by reserved
// tokens more, must fit the tokens left in the file; why is the rule in words.
static bool count_fits(MapReader &r, int32_t count, size_t per_item, size_t reserved,
                       const Place &place, const char *why)
{
    if (!count_not_negative(r, count, place))
        return false;
    size_t most = r.tokens_left >= reserved ? (r.tokens_left - reserved) / per_item : 0;
    if (static_cast<size_t>(count) <= most)
        return true;
    std::string kind = "at most " + std::to_string(most) + ", since " +
                       std::to_string(r.tokens_left) + " values follow and " + why;
    std::string found = std::to_string(count);
    std::string_view found_view = found;
    stop_reading(r, place, kind, &found_view);
    return false;
}

static void show_correction(const char *format, int tile, int layer)
{
    char text[128];
    snprintf(text, sizeof text, format, tile, layer);
    show_message(text);
}

// Reads one tile into the next free place of the layer's array. A tile that
// is not read whole is dropped.
static bool read_tile(MapReader &r, Layer &layer, int layer_index)
{
    int j = layer.tile_count;
    int32_t type, x, y, frames;
    if (!read_int(r, type, {"the type", layer_index, j}))
        return false;
    if (type < lowest_type || type > highest_type) {
        show_correction(
            "Tile #%d of layer #%d uses a not existing type. Its type will be set to 0.", j,
            layer_index);
        type = 0;
    }
    if (!read_int(r, x, {"the x position", layer_index, j}) ||
        !read_int(r, y, {"the y position", layer_index, j}) ||
        !read_int(r, frames, {"the frame count", layer_index, j}))
        return false;
    if (frames < 1) {
        show_correction("Tile #%d of layer #%d uses a not existing frame number. Its frame number "
                        "will be set to 1.",
                        j, layer_index);
        frames = 1;
    }
    const size_t d_values = 4;
    if (!count_fits(r, frames, values_per_frame, d_values, {"the frame count", layer_index, j},
                    "a tile takes 4 per frame and 4 more"))
        return false;

    Tile tile(x, y, type, 0, 0, 0, 0, frames);
    bool whole = true;
    for (int k = 0; k < frames && whole; k++) {
        whole = read_int(r, tile.setx[k], {"the setx value", layer_index, j, k}) &&
                read_int(r, tile.sety[k], {"the sety value", layer_index, j, k}) &&
                read_int(r, tile.sizex[k], {"the sizex value", layer_index, j, k}) &&
                read_int(r, tile.sizey[k], {"the sizey value", layer_index, j, k});
    }
    whole = whole && read_float(r, tile.d1, {"the d1 value", layer_index, j}) &&
            read_float(r, tile.d2, {"the d2 value", layer_index, j}) &&
            read_float(r, tile.d3, {"the d3 value", layer_index, j}) &&
            read_float(r, tile.d4, {"the d4 value", layer_index, j});
    if (!whole) {
        free_frames(tile);
        return false;
    }
    layer.tiles[j] = tile;
    layer.tile_count++;
    return true;
}

// Gives the layer its array, of exactly the tiles read whole. A count larger
// than the rest of the file can hold only sizes the array to what it can
// hold (tokens are counted exactly, so no whole tile finds it full): the
// tiles there are kept, and reading stops where they run out.
static void read_layer(MapReader &r, Layer &layer, int layer_index)
{
    int32_t count = 0;
    Place place = {"the tile count", layer_index};
    if (!read_int(r, count, place) || !count_not_negative(r, count, place)) {
        count = 0;
    }
    size_t room = std::min(static_cast<size_t>(count), r.tokens_left / least_values_per_tile);
    layer.tiles = static_cast<Tile *>(malloc(sizeof(Tile) * room));
    while (layer.tile_count < count && read_tile(r, layer, layer_index)) {
    }
    if (static_cast<size_t>(layer.tile_count) == room)
        return;
    if (layer.tile_count > 0) {
        layer.tiles = static_cast<Tile *>(realloc(layer.tiles, sizeof(Tile) * layer.tile_count));
    } else {
        free(layer.tiles);
        layer.tiles = static_cast<Tile *>(malloc(0));
    }
}

// Keeps as much of the name as the field holds; a name cut short is reported,
// and the original file is kept, since the save would write the shorter name.
static void read_tileset_name(MapReader &r, Map &map)
{
    std::string_view name;
    if (!read_token(r, name, {"the tileset name", -1}, "a file name"))
        return;
    size_t kept = std::min(name.size(), static_cast<size_t>(tileset_name_size - 1));
    kept = std::min(kept, name.find('\0'));
    memcpy(map.tileset_name, name.data(), kept);
    map.tileset_name[kept] = '\0';
    if (kept < name.size()) {
        std::string why = name.find('\0') < name.size()
                              ? std::string("holds a zero byte")
                              : "is " + std::to_string(name.size()) +
                                    " characters long, more than the " +
                                    std::to_string(tileset_name_size - 1) + " the editor can hold";
        std::string text = std::string(r.file_name) + ", line " + std::to_string(r.token_line) +
                           ": the tileset name " + quoted(name) + " " + why +
                           ". The editor keeps " + quoted(map.tileset_name) +
                           " and loads the tileset from that name." + note_on_original(r);
        show_message(text.c_str());
    }
    if (map.tileset_name[0])
        map.tileset = load_tileset(map.tileset_name);
}

// Nothing may follow the last layer: data there would be lost by the save.
static void expect_end(MapReader &r)
{
    std::string_view extra;
    if (!r.stopped && next_token(r, extra))
        stop_reading(r, {"the end of the file", -1}, "the five layers are complete", &extra);
}

// Returns 0, or the error that kept the file from being read whole.
static int read_whole_file(const char *file_name, std::string &text)
{
    FILE *file = fopen(file_name, "rb");
    if (!file)
        return errno;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    int error = ferror(file) ? errno : 0;
    fclose(file);
    return error;
}

void load_map(Map &map, const char *file_name)
{
    free_map(map);
    std::string text;
    int read_error = read_whole_file(file_name, text);
    if (read_error)
        text.clear();
    MapReader r(file_name, text);
    // A file without a single token holds no level to lose: it is read like
    // a missing one.
    r.stopped = r.tokens_left == 0;

    std::string_view header;
    if (!next_token(r, header) || header != "001")
        show_message("Error! Wrong file format!");
    if (read_error && read_error != ENOENT) {
        keep_untouched(file_name);
        std::string message = std::string(file_name) + " could not be read (" +
                              strerror(read_error) +
                              "). The editor starts with an empty level and will not replace "
                              "the file when saving.";
        show_message(message.c_str());
    }
    read_tileset_name(r, map);
    for (int i = 0; i < layer_count; i++)
        read_layer(r, map.layers[i], i);
    expect_end(r);
}

static void put_int(std::string &out, int32_t value)
{
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    out += '\n';
}

// Six significant digits, in the shortest of fixed or exponent form.
static void put_float(std::string &out, float value)
{
    const int significant_digits = 6;
    char digits[32];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                     std::chars_format::general, significant_digits)
                           .ptr);
    out += '\n';
}

// The level as the file holds it. A map without a tileset name gets the
// default one: an empty line would make readers take the next token as the name.
static std::string level_text(const Map &map)
{
    std::string out = "001\n";
    out += map.tileset_name[0] ? map.tileset_name : default_tileset_name;
    out += '\n';
    for (const Layer &layer : map.layers) {
        put_int(out, layer.tile_count);
        for (int32_t j = 0; j < layer.tile_count; j++) {
            const Tile &tile = layer.tiles[j];
            put_int(out, tile.type);
            put_int(out, tile.x);
            put_int(out, tile.y);
            put_int(out, tile.frames);
            for (int32_t k = 0; k < tile.frames; k++) {
                put_int(out, tile.setx[k]);
                put_int(out, tile.sety[k]);
                put_int(out, tile.sizex[k]);
                put_int(out, tile.sizey[k]);
            }
            put_float(out, tile.d1);
            put_float(out, tile.d2);
            put_float(out, tile.d3);
            put_float(out, tile.d4);
        }
    }
    return out;
}

// Replaces the file whole, or, when that fails, writes the level to a
// recovery file and says where.
void save_map(Map &map, const char *file_name)
{
    std::string text = level_text(map);
    std::string reason;
    if (replace_file(file_name, text, reason))
        return;
    std::string recovery_reason;
    std::string recovery = write_recovery_file(file_name, text, recovery_reason);
    std::string message =
        "The level could not be saved to " + std::string(file_name) + " (" + reason + ").";
    if (!recovery.empty()) {
        message += " It was written to " + recovery + " instead.";
    } else {
        message += " No recovery file could be written either, beside it, in the temporary folder "
                   "or in the home folder (" +
                   recovery_reason + "): the changes are lost.";
    }
    show_message(message.c_str());
}
