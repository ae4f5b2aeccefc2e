// Tokens are read a character at a time so that no token, however long,
// grows memory. Only the characters the level format calls whitespace
// separate tokens. Numbers are checked for their whole form before they are
// converted, so "12abc", "inf", "0x10" or a number followed by a NUL byte are
// malformed rather than partly read.
//
// Decimals are converted in the classic locale: Allegro's keyboard set-up
// switches the C library to the user's locale, whose decimal separator may
// be a comma, and the level file always uses a point.
#include "map_tokens.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <locale>
#include <sstream>

// A stream that cannot tell its size (a pipe) gets no bound.
MapTokens::MapTokens(std::istream &in) : in(in), bytes_left(INT64_MAX / 2)
{
    text[0] = '\0';
    if (in.seekg(0, std::ios::end)) {
        bytes_left = in.tellg();
        in.seekg(0, std::ios::beg);
    }
    in.clear();
}

static bool is_separator(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The next character, or the end. A file that cannot be read (a folder
// named map.txt, a failing disk) ends where reading failed.
static int next_char(MapTokens &tokens)
{
    try {
        return tokens.in.rdbuf()->sbumpc();
    } catch (const std::ios_base::failure &) {
        tokens.in.setstate(std::ios::badbit);
        return std::istream::traits_type::eof();
    }
}

bool next_token(MapTokens &tokens)
{
    using traits = std::istream::traits_type;
    tokens.length = 0;
    tokens.text[0] = '\0';
    if (!tokens.in || !tokens.in.rdbuf())
        return false;

    int c = next_char(tokens);
    while (c != traits::eof() && is_separator(c)) {
        if (c == '\n')
            tokens.line++;
        tokens.bytes_left--;
        c = next_char(tokens);
    }
    if (c == traits::eof())
        return false;

    tokens.token_line = tokens.line;
    while (c != traits::eof() && !is_separator(c)) {
        if (tokens.length < token_buffer_size - 1)
            tokens.text[tokens.length] = static_cast<char>(c);
        tokens.length++;
        tokens.bytes_left--;
        c = next_char(tokens);
    }
    // The separator that ended the token is consumed too.
    if (c != traits::eof()) {
        if (c == '\n')
            tokens.line++;
        tokens.bytes_left--;
    }
    size_t kept = tokens.length < token_buffer_size - 1 ? tokens.length : token_buffer_size - 1;
    tokens.text[kept] = '\0';
    return true;
}

int64_t tokens_left(const MapTokens &tokens)
{
    return tokens.bytes_left > 0 ? (tokens.bytes_left + 1) / 2 : 0;
}

static bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Advances past a run of digits; returns how many there were.
static int skip_digits(const char *&p)
{
    int count = 0;
    while (is_digit(*p)) {
        p++;
        count++;
    }
    return count;
}

// Whether the form ended at p is the whole token, with nothing cut off.
static bool form_is_whole_token(const MapTokens &tokens, const char *p)
{
    size_t form_length = static_cast<size_t>(p - tokens.text);
    return tokens.length < token_buffer_size && form_length == tokens.length;
}

NumberCheck parse_int(const MapTokens &tokens, int32_t &value)
{
    const char *p = tokens.text;
    if (*p == '+' || *p == '-')
        p++;
    if (skip_digits(p) == 0 || !form_is_whole_token(tokens, p))
        return NumberCheck::malformed;

    errno = 0;
    long long wide = strtoll(tokens.text, nullptr, 10);
    if (errno == ERANGE || wide < INT32_MIN || wide > INT32_MAX)
        return NumberCheck::out_of_range;
    value = static_cast<int32_t>(wide);
    return NumberCheck::ok;
}

NumberCheck parse_float(const MapTokens &tokens, float &value)
{
    const char *p = tokens.text;
    if (*p == '+' || *p == '-')
        p++;
    int digits = skip_digits(p);
    if (*p == '.') {
        p++;
        digits += skip_digits(p);
    }
    if (digits == 0)
        return NumberCheck::malformed;
    if (*p == 'e' || *p == 'E') {
        p++;
        if (*p == '+' || *p == '-')
            p++;
        if (skip_digits(p) == 0)
            return NumberCheck::malformed;
    }
    if (!form_is_whole_token(tokens, p))
        return NumberCheck::malformed;

    // A value too small for a float becomes 0 or a denormal, which is fine;
    // only one too large for it fails.
    std::istringstream number(tokens.text);
    number.imbue(std::locale::classic());
    float parsed;
    if (!(number >> parsed))
        return NumberCheck::out_of_range;
    value = parsed;
    return NumberCheck::ok;
}
