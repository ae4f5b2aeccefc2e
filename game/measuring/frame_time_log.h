// The frame-time log of the measuring build (tarrow_frame_times): every
// pass's dt is kept in memory and written out when the program ends. The
// shipped game neither declares nor calls any of this.
#pragma once

// Keeps one pass's measured dt, in seconds. Allocates nothing.
void record_frame_time(double seconds);
