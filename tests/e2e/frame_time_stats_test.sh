# The frame-time statistics on lists whose figures are worked out by hand:
# the median of an odd and of an even count, the nearest-rank 99th
# percentile, numeric (not textual) order, "over twice the median" being
# strict, a pass of zero duration counting as a frame, and refusals of an
# empty list and of a value that is no duration. No X server is needed.
source "$E2E_LIB"
stats=$SOURCE_DIR/tools/frame_time_stats.sh
dir=$(mktemp -d /tmp/e2e.XXXXXX)
trap 'rm -rf "$dir"' EXIT

# Each case: a name, the frame times (ms, in the order written), then the
# report expected for them.
cases=(
"odd count, 10 sorts after 4: median 3, mean 20/5, 10 > 2 x 3"
"4 1 3 2 10"
"frames:                  5
mean:                    4.000 ms
median:                  3.000 ms
99th percentile:         10.000 ms
maximum:                 10.000 ms
over twice the median:   1 frames (20.00 %)"

"even count: median (2 + 2) / 2, 4 is exactly twice it and not over"
"1 11 2 4 5 2 2 1"
"frames:                  8
mean:                    3.500 ms
median:                  2.000 ms
99th percentile:         11.000 ms
maximum:                 11.000 ms
over twice the median:   2 frames (25.00 %)"

"200 frames: the 99th percentile is the 198th smallest, not the maximum"
"$(seq 200 -1 1 | tr '\n' ' ')"
"frames:                  200
mean:                    100.500 ms
median:                  100.500 ms
99th percentile:         198.000 ms
maximum:                 200.000 ms
over twice the median:   0 frames (0.00 %)"

"a pass of zero ticks counts, in the game's six-decimal form"
"0.000000 2.000000 3.500000 0.500000"
"frames:                  4
mean:                    1.500 ms
median:                  1.250 ms
99th percentile:         3.500 ms
maximum:                 3.500 ms
over twice the median:   1 frames (25.00 %)"
)

for ((i = 0; i < ${#cases[@]}; i += 3)); do
    tr ' ' '\n' <<< "${cases[i + 1]}" > "$dir/times.txt"
    seen=$(bash "$stats" "$dir/times.txt") || fail "${cases[i]}: the statistics failed"
    [ "$seen" = "${cases[i + 2]}" ] || fail "${cases[i]}: expected
${cases[i + 2]}
but got
$seen"
done

# Refusals: a status of 1 and a line that says what is wrong.
: > "$dir/empty.txt"
printf '1.5\n2,5\n' > "$dir/comma.txt"
for refusal in "empty.txt:no frame times" "comma.txt:not a duration in ms: 2,5"; do
    file=${refusal%%:*} message=${refusal#*:}
    status=0
    bash "$stats" "$dir/$file" > "$dir/out.txt" 2> "$dir/err.txt" || status=$?
    [ "$status" -eq 1 ] || fail "$file: status $status, not 1"
    grep -qF "$message" "$dir/err.txt" || fail "$file: no \"$message\" on standard error: $(cat "$dir/err.txt")"
    [ ! -s "$dir/out.txt" ] || fail "$file: a report was printed: $(cat "$dir/out.txt")"
done
echo "frame-time statistics: all cases pass"
