// The tileset goes through load_bitmap, which picks its reader by the name's
// extension. Allegro's bmp reader knows only the 40-byte Windows and 12-byte
// OS/2 info headers, but ImageMagick and GIMP write the V4 (108 bytes) and V5
// (124 bytes) headers by default. Those begin with the 40-byte header, so a
// bmp file that Allegro refuses is read again from a copy in memory whose
// info header is cut back to 40 bytes. A bit-field image keeps its three
// colour masks right after those 40 bytes, where the short form carries them.
// A name that is not well-formed UTF-8, the library's text encoding, loads
// nothing: the library would read past its end.
#include "tileset.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

const size_t file_header_size = 14;
const uint32_t short_info_size = 40;
const uint32_t masks_size = 12;     // red, green and blue masks of a bit-field image
const uint32_t bit_fields = 3;      // the compression value of a bit-field image
const uint32_t longer_info_sizes[] = {52, 56, 108, 124};

static uint32_t get_u32(const std::vector<unsigned char> &bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

static void put_u32(std::vector<unsigned char> &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

static bool read_file_bytes(const char *file_name, std::vector<unsigned char> &bytes)
{
    FILE *file = fopen(file_name, "rb");
    if (!file)
        return false;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    bool read = !ferror(file);
    fclose(file);
    return read;
}

// Cuts a longer info header back to the 40-byte form; false when the bytes
// are no bmp file with one of the longer headers.
static bool shorten_info_header(std::vector<unsigned char> &bytes)
{
    const size_t file_size_at = 2, pixels_at = 10, info_size_at = 14, compression_at = 30;
    if (bytes.size() < file_header_size + short_info_size || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    uint32_t info_size = get_u32(bytes, info_size_at);
    bool longer = false;
    for (uint32_t size : longer_info_sizes)
        longer = longer || info_size == size;
    uint32_t pixels = get_u32(bytes, pixels_at);
    size_t header_end = file_header_size + info_size;
    if (!longer || bytes.size() < header_end || pixels < header_end)
        return false;
    uint32_t kept = short_info_size;
    if (get_u32(bytes, compression_at) == bit_fields)
        kept += masks_size;
    uint32_t cut = info_size - kept;
    bytes.erase(bytes.begin() + file_header_size + kept, bytes.begin() + header_end);
    put_u32(bytes, info_size_at, short_info_size);
    put_u32(bytes, pixels_at, pixels - cut);
    put_u32(bytes, file_size_at, static_cast<uint32_t>(bytes.size()));
    return true;
}

// A read-only Allegro file over bytes in memory, for load_bmp_pf.
struct MemoryFile {
    const std::vector<unsigned char> &bytes;
    size_t at;
};

static MemoryFile &memory(void *file)
{
    return *static_cast<MemoryFile *>(file);
}

static int memory_close(void *)
{
    return 0;
}

static int memory_getc(void *file)
{
    MemoryFile &f = memory(file);
    return f.at < f.bytes.size() ? f.bytes[f.at++] : EOF;
}

static int memory_ungetc(int c, void *file)
{
    MemoryFile &f = memory(file);
    if (f.at == 0)
        return EOF;
    f.at--;
    return c;
}

static long memory_read(void *p, long n, void *file)
{
    MemoryFile &f = memory(file);
    size_t count = std::min(static_cast<size_t>(n > 0 ? n : 0), f.bytes.size() - f.at);
    memcpy(p, f.bytes.data() + f.at, count);
    f.at += count;
    return static_cast<long>(count);
}

static int memory_putc(int, void *)
{
    return EOF;
}

static long memory_write(const void *, long, void *)
{
    return 0;
}

static int memory_seek(void *file, int offset)
{
    MemoryFile &f = memory(file);
    if (offset < 0 || static_cast<size_t>(offset) > f.bytes.size() - f.at)
        return -1;
    f.at += static_cast<size_t>(offset);
    return 0;
}

static int memory_eof(void *file)
{
    MemoryFile &f = memory(file);
    return f.at >= f.bytes.size();
}

static int memory_error(void *)
{
    return 0;
}

static PACKFILE_VTABLE memory_file = {memory_close, memory_getc,  memory_ungetc,
                                      memory_read,  memory_putc,  memory_write,
                                      memory_seek,  memory_eof,   memory_error};

static BITMAP *load_bmp_with_longer_header(const char *file_name)
{
    std::vector<unsigned char> bytes;
    if (!read_file_bytes(file_name, bytes) || !shorten_info_header(bytes))
        return nullptr;
    MemoryFile source{bytes, 0};
    PACKFILE *packed = pack_fopen_vtable(&memory_file, &source);
    if (!packed)
        return nullptr;
    BITMAP *loaded = load_bmp_pf(packed, nullptr);
    pack_fclose(packed);
    return loaded;
}

// Whether text is well-formed UTF-8, the library's text encoding. The
// library steps over a character by the length its first byte announces, so
// a broken character near the end of a name would make it read past the
// terminator, into whatever follows the name in memory.
static bool is_utf8_text(const char *text)
{
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p;) {
        int following;
        if (*p < 0x80)
            following = 0;
        else if ((*p & 0xe0) == 0xc0)
            following = 1;
        else if ((*p & 0xf0) == 0xe0)
            following = 2;
        else if ((*p & 0xf8) == 0xf0)
            following = 3;
        else
            return false;
        p++;
        for (int i = 0; i < following; i++, p++) {
            if ((*p & 0xc0) != 0x80)
                return false;
        }
    }
    return true;
}

BITMAP *load_tileset(const char *file_name)
{
    if (!is_utf8_text(file_name))
        return nullptr;
    BITMAP *loaded = load_bitmap(file_name, nullptr);
    if (!loaded && ustricmp(get_extension(file_name), "bmp") == 0)
        loaded = load_bmp_with_longer_header(file_name);
    return loaded;
}
