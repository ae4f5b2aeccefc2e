# The frame-time report: the measuring build plays the demo level for a few
# seconds of scripted keys, ends with status 0 on Escape, and the report
# has its six figures in order, each a plain number, with ordered values
# that add up to the time played.
# frame_times.sh brings up its own X server, so this script starts none.
source "$E2E_LIB"
program=$(dirname "$TARROW")/tarrow_frame_times
seconds=3

report=$(bash "$SOURCE_DIR/tests/e2e/frame_times.sh" "$program" "$seconds") ||
    fail "the frame-time run failed: $report"
ms='[0-9]+\.[0-9]{3} ms'
shape="^Frame times of tarrow_frame_times on the demo level, $seconds s of scripted play:
frames: +[0-9]+
mean: +$ms
median: +$ms
99th percentile: +$ms
maximum: +$ms
over twice the median: +[0-9]+ frames \([0-9]+\.[0-9]{2} %\)$"
[[ "$report" =~ $shape ]] || fail "the report does not have its shape:
$report"

# The number after the label $1.
figure() { sed -nE "s/^$1: +([0-9.]+).*/\1/p" <<< "$report"; }
frames=$(figure frames)
# Thousands of passes a second are expected; a few hundred in total would
# mean the game was barely running.
[ "$frames" -ge 300 ] || fail "only $frames frames in ${seconds}s:
$report"
# The passes follow one another, so their durations add up to the time the
# game ran: at least the scripted seconds, plus start-up and the last steps.
awk -v frames="$frames" -v mean="$(figure mean)" -v low="$seconds" -v high=$((seconds + 20)) \
    'BEGIN { total = frames * mean / 1000; exit !(total >= low && total <= high) }' ||
    fail "the frame times do not add up to the ${seconds}s played:
$report"
awk -v median="$(figure median)" -v p99="$(figure '99th percentile')" -v max="$(figure maximum)" \
    -v mean="$(figure mean)" 'BEGIN { exit !(median > 0 && median <= p99 && p99 <= max && mean <= max) }' ||
    fail "the figures are out of order:
$report"
echo "$report"
