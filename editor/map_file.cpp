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
// The file is read whole, its tokens counted as it is read, and numbers are
// converted straight from its bytes.
//
// Writing puts one token per line and d1 to d4 with six significant digits,
// then replaces the file atomically. Numbers are converted without the C
// locale, so a decimal comma setting never changes the file.
#include <allegro.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
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

static inline bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The level file's bytes, read whole, and how many tokens they hold.
struct FileText {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    size_t tokens = 0;
};

// Where the reader stands in the file, and what it has reported so far.
struct MapReader {
    const char *file_name;
    const FileText &text;
    const char *next;  // the first byte not read yet
    const char *end;
    int line = 1;
    size_t tokens_left = 0;
    int token_line = 1;         // line of the token read last
    bool stopped = false;       // a fault ended the reading
    std::string original_note;  // what became of the original file, once decided

    MapReader(const char *file_name, const FileText &text)
        : file_name(file_name), text(text), next(text.bytes.get()), end(next + text.size),
          tokens_left(text.tokens)
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

// Skips the whitespace before the next token, counting lines; false at the
// end of the file.
static inline bool skip_space(MapReader &r)
{
    const char *p = r.next;
    int line = r.line;
    while (p < r.end && is_space(*p)) {
        line += *p == '\n';
        p++;
    }
    r.line = line;
    r.next = p;
    return p < r.end;
}

// Takes the token that starts at r.next; the bytes before p are already
// known to be part of it.
static inline std::string_view take_token(MapReader &r, const char *p)
{
    while (p < r.end && !is_space(*p))
        p++;
    std::string_view token(r.next, static_cast<size_t>(p - r.next));
    r.next = p;
    r.token_line = r.line;
    r.tokens_left--;
    return token;
}

static bool next_token(MapReader &r, std::string_view &token)
{
    if (!skip_space(r))
        return false;
    token = take_token(r, r.next);
    return true;
}

// Whether the form read up to p is the whole token.
static inline bool ends_token(const MapReader &r, const char *p)
{
    return p == r.end || is_space(*p);
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
    std::string bytes(r.text.bytes.get(), r.text.size);
    std::string backup = keep_backup(r.file_name, bytes, reason);
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

// Whether reading goes on with a token for the value; at the end of the
// file that is reported.
static inline bool value_follows(MapReader &r, const Place &place, const char *kind)
{
    if (r.stopped)
        return false;
    if (skip_space(r))
        return true;
    stop_reading(r, place, kind, nullptr);
    return false;
}

static bool read_token(MapReader &r, std::string_view &token, const Place &place, const char *kind)
{
    if (!value_follows(r, place, kind))
        return false;
    token = take_token(r, r.next);
    return true;
}

// An optional sign and decimal digits, within the 32-bit range. The number
// is converted straight from the file's bytes, and must end where its
// token ends. from_chars takes a minus sign but no plus sign.
static inline bool read_int(MapReader &r, int32_t &value, const Place &place)
{
    const char *kind = "a whole number";
    if (!value_follows(r, place, kind))
        return false;
    const char *first = r.next;
    bool plus = *first == '+';
    const char *digits = plus ? first + 1 : first;
    std::from_chars_result parsed = {digits, std::errc::invalid_argument};
    if (!(plus && digits < r.end && *digits == '-'))
        parsed = std::from_chars(digits, r.end, value);
    bool whole = parsed.ptr != digits && ends_token(r, parsed.ptr);
    std::string_view token = take_token(r, parsed.ptr);
    if (!whole) {
        stop_reading(r, place, kind, &token);
        return false;
    }
    if (parsed.ec != std::errc()) {
        stop_reading(r, place, "a whole number from -2147483648 to 2147483647", &token);
        return false;
    }
    return true;
}

static inline const char *skip_digits(const char *p, const char *end)
{
    while (p < end && *p >= '0' && *p <= '9')
        p++;
    return p;
}

// Where the decimal form that starts at first ends: an optional sign,
// digits with an optional fraction, an optional exponent. first itself when
// the form has no digits, or an exponent mark without digits. Hexadecimal,
// inf and nan are not numbers of the format.
static const char *decimal_end(const char *first, const char *end)
{
    const char *p = first;
    if (p < end && (*p == '+' || *p == '-'))
        p++;
    const char *whole_part = p;
    p = skip_digits(p, end);
    bool has_digits = p > whole_part;
    if (p < end && *p == '.') {
        const char *fraction = ++p;
        p = skip_digits(p, end);
        has_digits = has_digits || p > fraction;
    }
    if (!has_digits)
        return first;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char *exponent = p + 1;
        if (exponent < end && (*exponent == '+' || *exponent == '-'))
            exponent++;
        p = skip_digits(exponent, end);
        if (p == exponent)
            return first;
    }
    return p;
}

// Whole numbers of up to seven digits are below 2^24, so each of them is a
// float exactly and needs no rounding. first to last is a decimal form.
static bool small_whole_number(const char *first, const char *last, float &value)
{
    const ptrdiff_t exact_digits = 7;
    bool negative = *first == '-';
    const char *p = negative || *first == '+' ? first + 1 : first;
    if (last - p > exact_digits)
        return false;
    int32_t magnitude = 0;
    for (; p < last; p++) {
        if (*p < '0' || *p > '9')
            return false;
        magnitude = magnitude * 10 + (*p - '0');
    }
    value = negative ? -static_cast<float>(magnitude) : static_cast<float>(magnitude);
    return true;
}

static bool read_float(MapReader &r, float &value, const Place &place)
{
    const char *kind = "a decimal number";
    if (!value_follows(r, place, kind))
        return false;
    const char *first = r.next;
    const char *last = decimal_end(first, r.end);
    bool whole = last != first && ends_token(r, last);
    std::string_view token = take_token(r, last);
    if (!whole) {
        stop_reading(r, place, kind, &token);
        return false;
    }
    if (small_whole_number(first, last, value))
        return true;
    // from_chars rounds correctly as strtof_l does, ignores the locale and
    // takes no plus sign. It tells an overflow (infinity) no better than an
    // underflow (a value near 0, which is fine), so the values it refuses go
    // to strtof_l with the C locale, which tells them apart.
    std::from_chars_result parsed = std::from_chars(*first == '+' ? first + 1 : first, last, value);
    if (parsed.ec == std::errc() && parsed.ptr == last)
        return true;
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

// For each of the eight bytes of word, the high bit set when the byte is
// whitespace: a space, or a control byte from tab (9) to CR (13). Each
// byte's test stays within the byte: no sum carries into the next one.
static uint64_t space_bytes(uint64_t word)
{
    const uint64_t ones = 0x0101010101010101u;
    const uint64_t high = 0x8080808080808080u;
    const uint64_t low = 0x7f7f7f7f7f7f7f7fu;
    uint64_t spaces = word ^ (ones * ' ');
    uint64_t is_blank = ~(((spaces & low) + low) | spaces | low);
    uint64_t from_tab = ((word & low) + ones * (0x80 - '\t')) & high;
    uint64_t from_after_cr = ((word & low) + ones * (0x80 - '\r' - 1)) & high;
    uint64_t is_control = from_tab & ~from_after_cr & ~word & high;
    return is_blank | is_control;
}

// Counts the tokens that start in [p, end); after_space tells whether the
// byte before p was whitespace, and is left telling it of the last byte.
// The file is counted eight bytes at a time, the bytes of a word in memory
// order from the lowest (the build checks for a little-endian machine).
static size_t count_token_starts(const char *p, const char *end, bool &after_space)
{
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words hold bytes lowest first");
    const uint64_t ones = 0x0101010101010101u;
    const uint64_t high = 0x8080808080808080u;
    size_t count = 0;
    uint64_t space_before = after_space ? 0x80 : 0;
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        memcpy(&word, p, sizeof word);
        uint64_t spaces = space_bytes(word);
        uint64_t starts = ~spaces & high & (spaces << 8 | space_before);
        count += ((starts >> 7) * ones) >> 56;
        space_before = spaces >> 56;
    }
    bool previous = space_before != 0;
    for (; p < end; p++) {
        bool space = is_space(*p);
        count += previous && !space;
        previous = space;
    }
    after_space = previous;
    return count;
}

// Reads the file whole into one buffer of its size, counting the tokens of
// each chunk as soon as it is read, while it is still in the processor's
// cache. Returns 0, or the error that kept the file from being read whole.
static int read_whole_file(const char *file_name, FileText &text)
{
    const size_t chunk_size = 1 << 18;
    FILE *file = fopen(file_name, "rb");
    if (!file)
        return errno;
    // The size is only a first guess: the file may change while it is read,
    // and a folder or a device reports a size that means nothing here.
    struct stat about;
    size_t capacity = chunk_size;
    if (fstat(fileno(file), &about) == 0 && S_ISREG(about.st_mode))
        capacity += static_cast<size_t>(about.st_size);
    text.bytes.reset(new (std::nothrow) char[capacity]);
    bool after_space = true;
    int error = text.bytes ? 0 : ENOMEM;
    while (!error) {
        if (text.size == capacity) {
            std::unique_ptr<char[]> grown(new (std::nothrow) char[capacity * 2]);
            if (!grown) {
                error = ENOMEM;
                break;
            }
            memcpy(grown.get(), text.bytes.get(), text.size);
            text.bytes = std::move(grown);
            capacity *= 2;
        }
        char *chunk = text.bytes.get() + text.size;
        size_t n = fread(chunk, 1, std::min(chunk_size, capacity - text.size), file);
        if (n == 0) {
            error = ferror(file) ? errno : 0;
            break;
        }
        text.tokens += count_token_starts(chunk, chunk + n, after_space);
        text.size += n;
    }
    fclose(file);
    return error;
}

void load_map(Map &map, const char *file_name)
{
    free_map(map);
    FileText text;
    int read_error = read_whole_file(file_name, text);
    if (read_error)
        text = FileText();
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
