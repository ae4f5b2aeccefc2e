# frame_times.sh PROGRAM [SECONDS]: plays a copy of the demo level with the
# measuring build of the game (PROGRAM, tarrow_frame_times) under a private
# X server for SECONDS (default 30) with scripted keys, ends it with Escape
# and prints statistics of the dt of every pass it ran.
# The repository's level is never touched; run it through ./run frametimes.
#
# The keys follow a player's round: run right with two jumps, turn back left
# with a jump, stand for a moment. At every step the keys of the step are
# pressed again, because Allegro lets go of held keys whenever the window
# loses the focus.
set -u
here=$(cd "$(dirname "$0")" && pwd)
program=${1:?usage: frame_times.sh PROGRAM [SECONDS]}
seconds=${2:-30}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "frame_times.sh: SECONDS must be a whole number above 0, not $seconds" >&2; exit 2; }
[ -x "$program" ] || { echo "frame_times.sh: no program at $program" >&2; exit 2; }
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
source "$here/lib.sh"
e2e_setup
cp "$here/../../levels/demo/map.txt" "$here/../../levels/demo/tileset.bmp" "$WORK/level/"

# One round: the keys held in each step (+ between keys, "none" for none)
# and for how long, in seconds.
round=("Right 1.0" "Right+space 0.3" "Right 0.8" "Right+space 0.3" "Right 0.6"
       "Left 0.6" "Left+space 0.3" "Left 0.4" "none 0.4")
held=()

# Releases the held keys that step $1 does not hold, then presses its own.
press_step() {
    local keys=()
    [ "$1" = none ] || IFS=+ read -r -a keys <<< "$1"
    local key
    for key in "${held[@]}"; do
        [[ " ${keys[*]} " == *" $key "* ]] || xdotool keyup "$key"
    done
    for key in "${keys[@]}"; do
        xdotool keydown "$key"
    done
    held=("${keys[@]}")
}

now_us() {
    echo "${EPOCHREALTIME//[!0-9]/}"
}

e2e_launch "$program"
e2e_wait_window
end=$(($(now_us) + seconds * 1000000))
while [ "$(now_us)" -lt "$end" ]; do
    for step in "${round[@]}"; do
        read -r keys duration <<< "$step"
        kill -0 "$APP_PID" 2> /dev/null || fail "the game ended during the run"
        press_step "$keys"
        sleep "$duration"
        [ "$(now_us)" -lt "$end" ] || break
    done
done
press_step none
e2e_hold Escape 0.3
e2e_wait_exit 30
[ "$APP_STATUS" -eq 0 ] || fail "the game ended with status $APP_STATUS"
[ -s "$WORK/level/frame_times.txt" ] || fail "the game wrote no frame_times.txt"
[ -s "$WORK/app.out" ] && cat "$WORK/app.out" >&2

echo "Frame times of $(basename "$program") on the demo level, ${seconds} s of scripted play:"
"$here/../../tools/frame_time_stats.sh" "$WORK/level/frame_times.txt"
