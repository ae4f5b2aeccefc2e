// The frame clock: a monotonic counter that never runs backwards and
// advances at a constant, known rate. The frame loop sees only these two.
#pragma once

#include <cstdint>

// Ticks per second of read_counter.
double read_counter_frequency();
int64_t read_counter();
