// Runs the tests with Allegro's "none" system driver: memory bitmaps,
// primitives and text work without any display.
#include <allegro.h>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return 1;
    set_color_depth(32);
    return RUN_ALL_TESTS();
}
