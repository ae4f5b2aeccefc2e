// The frame-time log of the measuring build. Values go into one buffer that
// is reserved before main runs, so recording a pass costs a store and no
// allocation. When the program ends normally the values are written to
// "frame_times.txt" in the working folder, one per line, in milliseconds
// with a point as the decimal separator whatever the user's locale (the
// keyboard set-up switches the C library to it). Passes beyond the buffer's
// room are counted, not kept, and the count is reported on standard error.
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "frame_time_log.h"

// Room for more than seven minutes at 10,000 frames per second. The pages
// are only touched as values arrive.
const size_t frame_time_capacity = size_t(1) << 22;
const char *const frame_time_file = "frame_times.txt";

static double frame_times[frame_time_capacity];
static size_t frame_time_count = 0;
static size_t frame_times_dropped = 0;

void record_frame_time(double seconds)
{
    if (frame_time_count < frame_time_capacity)
        frame_times[frame_time_count++] = seconds;
    else
        frame_times_dropped++;
}

static void report_write_failure()
{
    fprintf(stderr, "tarrow_frame_times: cannot write %s: %s\n", frame_time_file, strerror(errno));
}

static void write_frame_times()
{
    const int decimals = 6;  // nanoseconds, the counter's resolution
    FILE *file = fopen(frame_time_file, "w");
    if (!file) {
        report_write_failure();
        return;
    }
    for (size_t i = 0; i < frame_time_count; i++) {
        char number[64];
        char *end = std::to_chars(number, number + sizeof number - 1, frame_times[i] * 1000,
                                  std::chars_format::fixed, decimals)
                        .ptr;
        *end++ = '\n';
        fwrite(number, 1, end - number, file);
    }
    bool write_failed = ferror(file) != 0;
    if (fclose(file) != 0 || write_failed)
        report_write_failure();
    if (frame_times_dropped > 0)
        fprintf(stderr, "tarrow_frame_times: %zu passes after the first %zu were not recorded\n",
                frame_times_dropped, frame_time_capacity);
}

// Runs after main has returned, when the loop has ended.
static struct WriteAtExit {
    ~WriteAtExit() { write_frame_times(); }
} write_at_exit;
