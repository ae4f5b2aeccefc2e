// Tokens are read a character at a time so that no token, however long,
// grows memory. Only the characters the level format calls whitespace
// separate tokens. Numbers are checked for their whole form before they are
// converted, so "12abc", "inf" or "0x10" are malformed rather than partly read.
#include "map_tokens.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

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

bool next_token(MapTokens &tokens)
{
    using traits = std::istream::traits_type;
    std::streambuf *source = tokens.in.rdbuf();
    tokens.length = 0;
    tokens.text[0] = '\0';
    if (!tokens.in || !source)
        return false;

    int c = source->sbumpc();
    while (c != traits::eof() && is_separator(c)) {
        if (c == '\n')
            tokens.line++;
        tokens.bytes_left--;
        c = source->sbumpc();
    }
    if (c == traits::eof())
        return false;

    tokens.token_line = tokens.line;
    while (c != traits::eof() && !is_separator(c)) {
        if (tokens.length < token_buffer_size - 1)
            tokens.text[tokens.length] = static_cast<char>(c);
        tokens.length++;
        tokens.bytes_left--;
        c = source->sbumpc();
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

static bool whole_token_kept(const MapTokens &tokens)
{
    return tokens.length > 0 && tokens.length < token_buffer_size;
}

NumberCheck parse_int(const MapTokens &tokens, int32_t &value)
{
    const char *p = tokens.text;
    if (*p == '+' || *p == '-')
        p++;
    if (skip_digits(p) == 0 || *p != '\0' || !whole_token_kept(tokens))
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
    if (*p != '\0' || !whole_token_kept(tokens))
        return NumberCheck::malformed;

    // A value too small for a float becomes 0 or a denormal, which is fine;
    // one too large becomes infinite, which is not.
    float parsed = strtof(tokens.text, nullptr);
    if (std::isinf(parsed))
        return NumberCheck::out_of_range;
    value = parsed;
    return NumberCheck::ok;
}
