# game_soak.sh [SECONDS]: plays Tarrow on a copy of the demo level under a
# private X server for SECONDS (default 600) with random input drawn from a
# printed seed (SOAK_SEED=N repeats the same input): Left and Right held for
# random lengths, jumps, running jumps, both directions at once, pauses;
# never Escape until the end. (First, a second of Right must run the player
# to the right, which shows that the keys reach the game.) Every few seconds the game must still be
# running, and its memory (VmRSS, VmData, VmSize) is sampled. After a
# warm-up of a tenth of the run, the largest RSS and data size of the last
# third of the samples may exceed those of the first third by at most a small
# slack. Escape then ends the game, with status 0 and no message shown.
# Needs TARROW (the program); run it through ./run soak.
set -u
here=$(cd "$(dirname "$0")" && pwd)
duration=${1:-600}
[[ "$duration" =~ ^[1-9][0-9]*$ ]] || { echo "usage: game_soak.sh [SECONDS]" >&2; exit 2; }
seed=${SOAK_SEED:-$(((RANDOM << 15) | RANDOM))}
sample_seconds=$((duration >= 100 ? 5 : 1))  # short runs still get enough samples
slack_kb=1024
: "${TARROW:?set TARROW to the tarrow program}"

source "$here/lib.sh"
E2E_DEADLINE=60  # a loaded machine may take its time to open the window
e2e_setup
cp "$here/../../levels/demo/map.txt" "$here/../../levels/demo/tileset.bmp" "$WORK/level/"
echo "game soak: ${duration} s on the demo level, seed $seed"
RANDOM=$seed

# Sets SPAN to a random number of seconds from $1 to $2 tenths, as "s.t".
# (Results go through variables: a subshell would reseed RANDOM.)
random_span() {
    local tenths=$(($1 + RANDOM % ($2 - $1 + 1)))
    SPAN="$((tenths / 10)).$((tenths % 10))"
}

# Sets DIRECTION to Left or Right, with a slight bias to the right that
# carries the player through the level between its two end pillars.
random_direction() {
    if [ $((RANDOM % 100)) -lt 55 ]; then DIRECTION=Right; else DIRECTION=Left; fi
}

# Runs one xdotool command chain; a failure means the X server is gone.
keys() {
    xdotool "$@" || fail "xdotool $* failed"
}

declare -A done_count=()
count() {
    done_count[$1]=$((${done_count[$1]:-0} + 1))
}

# One random action: holds, jumps or a pause of up to about three seconds.
random_action() {
    local roll=$((RANDOM % 100)) a b c
    random_direction
    if [ $roll -lt 40 ]; then
        count run
        random_span 1 30
        keys keydown "$DIRECTION" sleep "$SPAN" keyup "$DIRECTION"
    elif [ $roll -lt 60 ]; then
        count running_jump
        random_span 1 10; a=$SPAN
        random_span 1 4; b=$SPAN
        random_span 1 15; c=$SPAN
        keys keydown "$DIRECTION" sleep "$a" keydown space sleep "$b" keyup space \
            sleep "$c" keyup "$DIRECTION"
    elif [ $roll -lt 75 ]; then
        count jump
        random_span 1 5
        keys keydown space sleep "$SPAN" keyup space
    elif [ $roll -lt 80 ]; then
        count both_directions
        random_span 1 10
        keys keydown Left keydown Right sleep "$SPAN" keyup Right keyup Left
    else
        count pause
        random_span 1 20
        sleep "$SPAN"
    fi
}

# Appends "seconds rss data size" to memory.txt; fails once the game has ended.
sample_memory() {
    local memory
    memory=$(e2e_memory "$APP_PID")
    [ -n "$memory" ] || fail "tarrow is no longer running after $((SECONDS - start)) s"
    echo "$((SECONDS - start)) $memory" >> "$WORK/memory.txt"
}

# Prints the left edge of the player's boots in the window, or nothing.
boots_left() {
    local boots=84,44,20  # no other picture of the demo level has this colour
    import -display "$DISPLAY" -window root -crop 800x600+0+0 +repage "$WORK/shot.png" ||
        fail "screenshot failed"
    e2e_colour_box "$WORK/shot.png" $boots | cut -d' ' -f1
}

e2e_launch "$TARROW"
e2e_wait_window

# The keys reach the game: a second of Right runs the player to the right.
sleep 1
before=$(boots_left)
keys keydown Right sleep 1 keyup Right
sleep 0.5
after=$(boots_left)
[ -n "$before" ] && [ -n "$after" ] && [ "$after" -gt "$before" ] ||
    fail "Right did not run the player to the right (boots at x '$before', then '$after')"
echo "a second of Right ran the player's boots from window x $before to $after"

start=$SECONDS
next_sample=0
while [ $((SECONDS - start)) -lt "$duration" ]; do
    if [ $((SECONDS - start)) -ge $next_sample ]; then
        sample_memory
        next_sample=$((next_sample + sample_seconds))
    fi
    random_action
done
sample_memory

# Held until the program ends: a busy machine can make a pass outlast a short press.
xdotool keydown Escape
e2e_wait_exit 60
xdotool keyup Escape
[ "$APP_STATUS" -eq 0 ] || fail "Escape ended the game with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "the game showed a message"

echo "actions: $(for kind in "${!done_count[@]}"; do printf '%s %s, ' "$kind" "${done_count[$kind]}"; done)"
echo "memory (seconds, VmRSS kB, VmData kB, VmSize kB):"
column -t "$WORK/memory.txt" 2> /dev/null || cat "$WORK/memory.txt"
verdict=$(e2e_memory_flat "$WORK/memory.txt" $((duration / 10)) $slack_kb)
status=$?
echo "$verdict"
[ $status -eq 0 ] || fail "tarrow's memory check failed (seed $seed): $verdict"
echo "ok: tarrow ran ${duration} s, memory flat, status 0 on Escape"
