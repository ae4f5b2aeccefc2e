// The only platform code of the game. Windows has its performance counter;
// elsewhere CLOCK_MONOTONIC counts nanoseconds and is never set back.
#include "clock.h"

#ifdef _WIN32
#include <windows.h>

double read_counter_frequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
}

int64_t read_counter()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

#else
#include <time.h>

const int64_t nanoseconds_per_second = 1000000000;

double read_counter_frequency()
{
    return static_cast<double>(nanoseconds_per_second);
}

int64_t read_counter()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * nanoseconds_per_second + now.tv_nsec;
}
#endif
