// The tileset goes through load_bitmap, which picks the reader by the
// name's extension. Allegro's bmp reader knows only the 40-byte Windows and
// the 12-byte OS/2 info headers, while today's image tools (ImageMagick,
// GIMP) write the longer V4 and V5 headers by default. Those headers begin
// with the 40-byte one and add colour masks and colour-space fields, so such
// a file is loaded from a copy in memory whose info header is cut back to 40
// bytes. The colour masks of a bit-field image are kept, right after the 40
// bytes, where the short form carries them; the colour-space fields and any
// unknown longer header are dropped. Nothing else of the file changes.
// A name that is not well-formed UTF-8, the library's text encoding, loads
// nothing: the library would read past its end.
#include "tileset.h"

#include <allegro.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

const size_t file_header_size = 14;
const uint32_t short_info_size = 40;
const uint32_t info_size_with_masks = 52;  // the short form plus red, green, blue masks
const uint32_t bit_fields = 3;             // compression: pixels described by masks
const uint32_t longer_info_sizes[] = {52, 56, 108, 124};

uint32_t read_u32(const std::vector<unsigned char> &bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void write_u32(std::vector<unsigned char> &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The file with its info header cut back to a form Allegro reads; false
// when it is no bmp file with one of the longer headers.
bool shorten_info_header(std::vector<unsigned char> &bytes)
{
    const size_t info_size_at = 14, compression_at = 30, size_at = 2, pixels_at = 10;
    if (bytes.size() < file_header_size + short_info_size || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    uint32_t info_size = read_u32(bytes, info_size_at);
    bool known = false;
    for (uint32_t size : longer_info_sizes)
        known = known || info_size == size;
    uint32_t pixels = read_u32(bytes, pixels_at);
    size_t header_end = file_header_size + info_size;
    if (!known || bytes.size() < header_end || pixels < header_end)
        return false;

    uint32_t kept = read_u32(bytes, compression_at) == bit_fields ? info_size_with_masks
                                                                   : short_info_size;
    uint32_t cut = info_size - kept;
    bytes.erase(bytes.begin() + file_header_size + kept, bytes.begin() + header_end);
    write_u32(bytes, info_size_at, short_info_size);
    write_u32(bytes, pixels_at, pixels - cut);
    write_u32(bytes, size_at, static_cast<uint32_t>(bytes.size()));
    return true;
}

// A read-only Allegro file over bytes in memory.
struct MemoryFile {
    const std::vector<unsigned char> &bytes;
    size_t at = 0;
};

MemoryFile &memory(void *file)
{
    return *static_cast<MemoryFile *>(file);
}

int memory_close(void *)
{
    return 0;
}

int memory_getc(void *file)
{
    MemoryFile &f = memory(file);
    return f.at < f.bytes.size() ? f.bytes[f.at++] : EOF;
}

int memory_ungetc(int c, void *file)
{
    MemoryFile &f = memory(file);
    if (f.at == 0 || f.bytes[f.at - 1] != c)
        return EOF;
    f.at--;
    return c;
}

long memory_read(void *p, long n, void *file)
{
    MemoryFile &f = memory(file);
    size_t count = n > 0 ? static_cast<size_t>(n) : 0;
    if (count > f.bytes.size() - f.at)
        count = f.bytes.size() - f.at;
    memcpy(p, f.bytes.data() + f.at, count);
    f.at += count;
    return static_cast<long>(count);
}

int memory_putc(int, void *)
{
    return EOF;
}

long memory_write(const void *, long, void *)
{
    return 0;
}

// Seeks forward only, as Allegro's files do.
int memory_seek(void *file, int offset)
{
    MemoryFile &f = memory(file);
    if (offset < 0 || static_cast<size_t>(offset) > f.bytes.size() - f.at)
        return -1;
    f.at += static_cast<size_t>(offset);
    return 0;
}

int memory_eof(void *file)
{
    MemoryFile &f = memory(file);
    return f.at >= f.bytes.size();
}

int memory_error(void *)
{
    return 0;
}

const PACKFILE_VTABLE memory_file = {memory_close, memory_getc,  memory_ungetc,
                                     memory_read,  memory_putc,  memory_write,
                                     memory_seek,  memory_eof,   memory_error};

BITMAP *load_bmp_with_long_header(const char *file_name)
{
    std::ifstream file(file_name, std::ios::binary);
    if (!file)
        return nullptr;
    std::vector<unsigned char> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    } catch (const std::exception &) {
        return nullptr;
    }
    if (!shorten_info_header(bytes))
        return nullptr;
    MemoryFile source{bytes};
    PACKFILE *packed = pack_fopen_vtable(&memory_file, &source);
    if (!packed)
        return nullptr;
    BITMAP *loaded = load_bmp_pf(packed, nullptr);
    pack_fclose(packed);
    return loaded;
}

}  // namespace

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
        loaded = load_bmp_with_long_header(file_name);
    return loaded;
}
