// Tileset names from the level file reach the library only as well-formed
// UTF-8 text, the library's own encoding.
#include <gtest/gtest.h>

#include <allegro.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tileset.h"

// The library steps over text by the length a character's first byte
// announces, so a name ending in a broken multi-byte character made it read
// past the name's end: a '#' left there by an earlier, longer name sent it
// to its datafile reader, which crashed (found by fuzzing the editor's reader,
// which loads tilesets the same way).
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
