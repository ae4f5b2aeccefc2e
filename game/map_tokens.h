// Bounded reading of the level file: whitespace-separated tokens, each kept
// in a fixed buffer (a longer token is still consumed whole, and its full
// length is known), with the line it stands on and an upper bound on how
// many tokens the rest of the file could still hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>

const size_t token_buffer_size = 256;

struct MapTokens {
    std::istream &in;
    int64_t bytes_left;             // characters not read yet
    int line = 1;                   // line of the next character
    int token_line = 1;             // line of the last token read
    char text[token_buffer_size];   // the last token, cut to fit, terminated
    size_t length = 0;              // the last token's full length

    explicit MapTokens(std::istream &in);
};

// Reads the next token; false at the end of the input.
bool next_token(MapTokens &tokens);
// Every token takes at least one character and one separator, except the last.
int64_t tokens_left(const MapTokens &tokens);

enum class NumberCheck { ok, malformed, out_of_range };

// Optional sign and decimal digits, within 32 bits.
NumberCheck parse_int(const MapTokens &tokens, int32_t &value);
// Decimal with optional sign, fraction and exponent; finite as a float.
NumberCheck parse_float(const MapTokens &tokens, float &value);
