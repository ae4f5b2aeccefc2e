// Only the characters the level format calls whitespace separate tokens.
// A number's form must make up its whole token, so "12abc", "inf", "0x10"
// or a number followed by a NUL byte are malformed rather than partly read.
//
// Numbers are converted with from_chars, which ignores the locale: Allegro's
// keyboard set-up switches the C library to the user's locale, whose decimal
// separator may be a comma, and the level file always uses a point.
#include "map_tokens.h"

#include <sys/stat.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

void read_tokens(MapTokens &tokens, const char *file_name)
{
    const size_t chunk_size = 1 << 18;
    tokens = MapTokens();
    FILE *file = fopen(file_name, "rb");
    if (!file)
        return;
    // The size is only a first guess: the file may change while it is read,
    // and a folder or a device reports a size that means nothing here.
    struct stat about;
    size_t capacity = chunk_size;
    if (fstat(fileno(file), &about) == 0 && S_ISREG(about.st_mode))
        capacity += static_cast<size_t>(about.st_size);
    std::unique_ptr<char[]> bytes(new (std::nothrow) char[capacity]);
    size_t size = 0;
    while (bytes) {
        if (size == capacity) {
            std::unique_ptr<char[]> grown(new (std::nothrow) char[capacity * 2]);
            if (!grown)
                break;
            memcpy(grown.get(), bytes.get(), size);
            bytes = std::move(grown);
            capacity *= 2;
        }
        size_t n = fread(bytes.get() + size, 1, std::min(chunk_size, capacity - size), file);
        if (n == 0)
            break;
        size += n;
    }
    fclose(file);
    tokens.bytes = std::move(bytes);
    tokens.next = tokens.bytes.get();
    tokens.end = tokens.next ? tokens.next + size : nullptr;
}

static inline bool is_separator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Skips the separators before the next token, counting lines; false at the
// end of the input.
static inline bool skip_separators(MapTokens &tokens)
{
    const char *p = tokens.next;
    int line = tokens.line;
    while (p < tokens.end && is_separator(*p)) {
        line += *p == '\n';
        p++;
    }
    tokens.next = p;
    tokens.line = line;
    if (p < tokens.end)
        return true;
    tokens.token = std::string_view();
    return false;
}

// Takes the token that starts at tokens.next; the bytes before p are
// already known to be part of it.
static inline void take_token(MapTokens &tokens, const char *p)
{
    while (p < tokens.end && !is_separator(*p))
        p++;
    tokens.token = std::string_view(tokens.next, static_cast<size_t>(p - tokens.next));
    tokens.token_line = tokens.line;
    tokens.next = p;
}

bool next_token(MapTokens &tokens)
{
    if (!skip_separators(tokens))
        return false;
    take_token(tokens, tokens.next);
    return true;
}

int64_t tokens_left(const MapTokens &tokens)
{
    // The separator that ends a token counts as read with it.
    int64_t bytes_left = tokens.end - tokens.next;
    if (bytes_left > 0)
        bytes_left--;
    return bytes_left > 0 ? (bytes_left + 1) / 2 : 0;
}

// Whether the form read up to p is the whole token.
static inline bool ends_token(const MapTokens &tokens, const char *p)
{
    return p == tokens.end || is_separator(*p);
}

// from_chars takes a minus sign but no plus sign.
NumberCheck next_int(MapTokens &tokens, int32_t &value)
{
    if (!skip_separators(tokens))
        return NumberCheck::missing;
    const char *first = tokens.next;
    bool plus = *first == '+';
    const char *digits = plus ? first + 1 : first;
    std::from_chars_result parsed = {digits, std::errc::invalid_argument};
    if (!(plus && digits < tokens.end && *digits == '-'))
        parsed = std::from_chars(digits, tokens.end, value);
    bool whole = parsed.ptr != digits && ends_token(tokens, parsed.ptr);
    take_token(tokens, parsed.ptr);
    if (!whole)
        return NumberCheck::malformed;
    return parsed.ec == std::errc() ? NumberCheck::ok : NumberCheck::out_of_range;
}

static inline const char *skip_digits(const char *p, const char *end)
{
    while (p < end && *p >= '0' && *p <= '9')
        p++;
    return p;
}

// Where the decimal form that starts at first ends: an optional sign,
// digits with an optional fraction, an optional exponent. first itself when
// the form has no digits, or an exponent mark without digits.
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

// A value too small for a float becomes 0 or a denormal, which is fine;
// only one too large for it fails. from_chars rounds correctly as strtof_l
// does but refuses both alike, so the values it refuses go to strtof_l in
// the C locale, which tells an overflow (infinity) apart.
NumberCheck next_float(MapTokens &tokens, float &value)
{
    if (!skip_separators(tokens))
        return NumberCheck::missing;
    const char *first = tokens.next;
    const char *last = decimal_end(first, tokens.end);
    bool whole = last != first && ends_token(tokens, last);
    take_token(tokens, last);
    if (!whole)
        return NumberCheck::malformed;
    if (small_whole_number(first, last, value))
        return NumberCheck::ok;
    std::from_chars_result parsed = std::from_chars(*first == '+' ? first + 1 : first, last, value);
    if (parsed.ec == std::errc() && parsed.ptr == last)
        return NumberCheck::ok;
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    float checked = strtof_l(std::string(tokens.token).c_str(), nullptr, c_locale);
    if (std::isinf(checked))
        return NumberCheck::out_of_range;
    value = checked;
    return NumberCheck::ok;
}
