// The level's tileset loads also when it is a bmp file with the longer info
// headers that image tools write by default (V4 and V5), which the library's
// own reader refuses. The files are built byte by byte: 2x2 pixels, bottom
// row first, in 24-bit colour or in 32-bit bit fields.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <cstdint>
#include <string>

#include "level_file_fixture.h"
#include "map.h"
#include "tileset.h"

static void put_u32(std::string &bytes, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes += static_cast<char>(value >> (8 * i));
}

static void put_u16(std::string &bytes, uint16_t value)
{
    bytes += static_cast<char>(value);
    bytes += static_cast<char>(value >> 8);
}

struct Rgb { int r, g, b; };

// The four pixels, top row first: red, green; blue, grey.
const Rgb top_row[2] = {{200, 0, 0}, {0, 200, 0}};
const Rgb bottom_row[2] = {{0, 0, 200}, {10, 20, 30}};

// A 2x2 bmp file with an info header of info_size bytes (108 or 124).
static std::string bmp_file(uint32_t info_size, int bits)
{
    const uint32_t file_header_size = 14;
    bool bit_fields = bits == 32;
    const uint32_t row_size = 8;  // 2 x 3 bytes padded to 4, or 2 x 4 bytes
    uint32_t pixels_at = file_header_size + info_size;
    std::string bytes = "BM";
    put_u32(bytes, pixels_at + 2 * row_size);
    put_u32(bytes, 0);
    put_u32(bytes, pixels_at);

    put_u32(bytes, info_size);
    put_u32(bytes, 2);  // width
    put_u32(bytes, 2);  // height, bottom row first
    put_u16(bytes, 1);  // planes
    put_u16(bytes, bits);
    put_u32(bytes, bit_fields ? 3 : 0);
    put_u32(bytes, 2 * row_size);
    put_u32(bytes, 2835);
    put_u32(bytes, 2835);
    put_u32(bytes, 0);
    put_u32(bytes, 0);
    put_u32(bytes, 0x00ff0000);  // red, green, blue and alpha masks
    put_u32(bytes, 0x0000ff00);
    put_u32(bytes, 0x000000ff);
    put_u32(bytes, 0xff000000);
    put_u32(bytes, 0x73524742);  // colour space "sRGB"
    bytes.resize(pixels_at, '\0');

    for (const Rgb *row : {bottom_row, top_row}) {
        for (int x = 0; x < 2; x++) {
            bytes += static_cast<char>(row[x].b);
            bytes += static_cast<char>(row[x].g);
            bytes += static_cast<char>(row[x].r);
            if (bit_fields)
                bytes += static_cast<char>(0xff);
        }
        if (!bit_fields)
            bytes += std::string(2, '\0');
    }
    return bytes;
}

using TilesetTest = LevelFileTest;

TEST_F(TilesetTest, BmpWithTheLongerHeadersOfImageToolsIsLoaded)
{
    struct Case { uint32_t info_size; int bits; };
    const Case cases[] = {{108, 24}, {124, 24}, {108, 32}, {124, 32}};
    for (const Case &c : cases) {
        free_map(map);
        write_file(path("tiles.bmp"), bmp_file(c.info_size, c.bits));
        load("001\n" + path("tiles.bmp") + "\n0\n0\n0\n0\n0\n");
        std::string which = std::to_string(c.info_size) + "-byte header, " +
                            std::to_string(c.bits) + " bits";
        ASSERT_NE(map.tileset, nullptr) << which;
        ASSERT_EQ(map.tileset->w, 2) << which;
        ASSERT_EQ(map.tileset->h, 2) << which;
        for (int x = 0; x < 2; x++) {
            const Rgb &top = top_row[x];
            const Rgb &bottom = bottom_row[x];
            EXPECT_EQ(getpixel(map.tileset, x, 0), makecol(top.r, top.g, top.b)) << which;
            EXPECT_EQ(getpixel(map.tileset, x, 1), makecol(bottom.r, bottom.g, bottom.b)) << which;
        }
        EXPECT_TRUE(shown_messages.empty()) << which;
    }
}

TEST_F(TilesetTest, BmpThatIsNoPictureLeavesNoTileset)
{
    std::string broken = bmp_file(124, 24);
    const std::string cases[] = {broken.substr(0, 60), "BM" + std::string(200, 'x'), "not a bmp"};
    for (const std::string &bytes : cases) {
        free_map(map);
        write_file(path("tiles.bmp"), bytes);
        load("001\n" + path("tiles.bmp") + "\n0\n0\n0\n0\n0\n");
        EXPECT_EQ(map.tileset, nullptr) << bytes.size() << " bytes";
    }
}

// The library steps over text by the length a character's first byte
// announces, so a name ending in a broken multi-byte character made it read
// past the name's end: a '#' left there by an earlier, longer name sent it
// to its datafile reader, which crashed (found by fuzzing the reader).
TEST(TilesetName, NameThatIsNotUtf8TextLoadsNoTileset)
{
    const char name_with_leftovers[] = "\xffti.bmp\0#tiles.bmp";
    EXPECT_EQ(load_tileset(name_with_leftovers), nullptr);
}

TEST(TilesetName, Utf8NameLoads)
{
    char folder[] = "/tmp/tileset_name.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string name = std::string(folder) + "/tuiles_\xc3\xa9t\xc3\xa9.bmp";
    BITMAP *picture = create_bitmap_ex(24, 2, 2);
    clear_to_color(picture, makecol24(200, 0, 0));
    ASSERT_EQ(save_bitmap(name.c_str(), picture, nullptr), 0);
    BITMAP *loaded = load_tileset(name.c_str());
    EXPECT_NE(loaded, nullptr);
    if (loaded)
        destroy_bitmap(loaded);
    destroy_bitmap(picture);
    remove(name.c_str());
    rmdir(folder);
}
