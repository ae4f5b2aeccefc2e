// Reading the level file as whitespace-separated tokens: the file is read
// whole into memory, and numbers are converted straight from its bytes. The
// reader knows the line each token stands on and an upper bound on how many
// tokens the rest of the file could still hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

struct MapTokens {
    std::unique_ptr<char[]> bytes;  // the whole file
    const char *next = nullptr;     // the first byte not read yet
    const char *end = nullptr;
    int line = 1;                   // line of the next byte
    int token_line = 1;             // line of the last token read
    std::string_view token;         // the last token read, empty at the end
};

// Reads the file whole. A file that cannot be opened holds no tokens; one
// that fails while it is read (a folder named map.txt, a failing disk) ends
// where reading failed.
void read_tokens(MapTokens &tokens, const char *file_name);

// Reads the next token; false at the end of the input.
bool next_token(MapTokens &tokens);
// Every token takes at least one character and one separator, except the last.
int64_t tokens_left(const MapTokens &tokens);

enum class NumberCheck { ok, missing, malformed, out_of_range };

// Reads the next token as a number; missing at the end of the input. The
// token is read whole either way.
// Optional sign and decimal digits, within 32 bits.
NumberCheck next_int(MapTokens &tokens, int32_t &value);
// Decimal with optional sign, fraction and exponent; finite as a float.
NumberCheck next_float(MapTokens &tokens, float &value);
