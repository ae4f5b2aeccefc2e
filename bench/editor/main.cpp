// Runs the editor benchmarks with Allegro's "none" system driver: drawing goes
// into memory bitmaps. The window size that SCREEN_W and SCREEN_H report comes
// from a zeroed driver record holding only 800x600, since the none driver sets
// no graphics driver.
#include <allegro.h>
#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return 1;
    set_color_depth(32);
    static GFX_DRIVER window_size = {};
    window_size.w = 800;
    window_size.h = 600;
    gfx_driver = &window_size;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
END_OF_MAIN()
