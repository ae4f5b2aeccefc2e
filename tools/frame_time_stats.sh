#!/usr/bin/env bash
# frame_time_stats.sh FILE: statistics of the frame times in FILE, one
# duration in milliseconds per line, as the measuring build of the game
# writes them. Reads standard input when FILE is "-" or missing.
#
# The median of an even count is the mean of the two middle values; the
# 99th percentile is the nearest-rank one, the smallest value that at least
# 99 % of the frames do not exceed; a frame is "over twice the median" when
# it is strictly longer than twice the median.
set -euo pipefail
export LC_ALL=C

sort -g -- "${1:--}" | awk '
    NF == 0 { next }
    $1 !~ /^[0-9]+(\.[0-9]*)?$/ { print "frame_time_stats: not a duration in ms: " $1 > "/dev/stderr"; bad = 1; exit 1 }
    { times[++n] = $1 + 0; sum += $1 }
    END {
        if (bad) exit 1
        if (n == 0) { print "frame_time_stats: no frame times" > "/dev/stderr"; exit 1 }
        median = n % 2 ? times[(n + 1) / 2] : (times[n / 2] + times[n / 2 + 1]) / 2
        rank = int((99 * n + 99) / 100)  # ceil(0.99 n), in integers
        over = 0
        for (i = 1; i <= n; i++)
            if (times[i] > 2 * median)
                over++
        printf "frames:                  %d\n", n
        printf "mean:                    %.3f ms\n", sum / n
        printf "median:                  %.3f ms\n", median
        printf "99th percentile:         %.3f ms\n", times[rank]
        printf "maximum:                 %.3f ms\n", times[n]
        printf "over twice the median:   %d frames (%.2f %%)\n", over, 100 * over / n
    }'
