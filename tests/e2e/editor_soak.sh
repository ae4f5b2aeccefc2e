# editor_soak.sh [ACTIONS]: edits a copy of the demo level in Plotwright under
# a private X server with ACTIONS (default 3000) random input actions drawn
# from a printed seed (SOAK_SEED=N repeats the same input): pointer moves,
# left and right clicks over tiles and empty space, left Ctrl with either
# button, keypad plus and minus, scrolling with the arrows and Shift or Ctrl,
# Enter, Up and Down, digits, and C; never Escape until the end. Every few
# seconds the editor must still be running, and its memory is sampled.
#
# Then Escape, status 0, and the saved map.txt must be a well-formed level:
# Plotwright opens it without a message and saves it again byte for byte,
# and Tarrow plays it without a message. Since the level grows and shrinks
# as tiles come and go, the editor's memory at the end of the session is
# compared with a fresh Plotwright holding the saved level: the session may
# use at most a small slack more.
#
# A level that reloads without a message holds no type above 3, and left
# clicks raise types without bound. So a plain left click either raises a
# tile just placed with left Ctrl (so the topmost there), at most twice, or
# is followed by a right click at the same point, which lowers the same tile
# again or, where the left click placed a tile, finds nothing (a tile's own
# top-left pixel is not part of it). Every other action cannot raise a type.
#
# Needs PLOTWRIGHT and TARROW (the programs); run it through ./run soak.
set -u
here=$(cd "$(dirname "$0")" && pwd)
actions=${1:-3000}
[[ "$actions" =~ ^[1-9][0-9]*$ ]] || { echo "usage: editor_soak.sh [ACTIONS]" >&2; exit 2; }
seed=${SOAK_SEED:-$(((RANDOM << 15) | RANDOM))}
sample_seconds=5
slack_kb=1024
: "${PLOTWRIGHT:?set PLOTWRIGHT to the plotwright program}"
: "${TARROW:?set TARROW to the tarrow program}"

source "$here/lib.sh"
E2E_DEADLINE=60  # a loaded machine may take its time to open the window
e2e_setup
cp "$here/../../levels/demo/map.txt" "$here/../../levels/demo/tileset.bmp" "$WORK/level/"
echo "editor soak: ${actions} actions on the demo level, seed $seed"
RANDOM=$seed

# Buttons and one-shot keys are held this long, long enough for a frame of
# a busy machine to see them; the editor then waits for the release. The
# clicks that keep types within 0 to 3 are held longer still.
hold=0.1
sure_hold=0.15
settle=0.03

# Runs one xdotool command chain; a failure means the X server is gone.
input() {
    xdotool "$@" || fail "xdotool $* failed"
}

# Sets X and Y to a random window pixel, keeping room for a tile's width to
# the right and below: the pointer never leaves the window, where it would
# take the keyboard focus with it.
random_point() {
    X=$((RANDOM % 760))
    Y=$((RANDOM % 560))
}

# Sets SPAN to a random number of seconds from $1 to $2 hundredths.
# (Results go through variables: a subshell would reseed RANDOM.)
random_span() {
    local hundredths=$(($1 + RANDOM % ($2 - $1 + 1)))
    SPAN=$(printf '%d.%02d' $((hundredths / 100)) $((hundredths % 100)))
}

declare -A done_count=()
done_actions=0
count() {
    done_count[$1]=$((${done_count[$1]:-0} + 1))
    done_actions=$((done_actions + 1))
}

# click BUTTON X Y [MODIFIER]: one click of button 1 or 3 at window pixel
# (X, Y), held for click_hold seconds (default hold).
click() {
    local modifier_down=() modifier_up=()
    if [ -n "${4:-}" ]; then
        modifier_down=(keydown "$4")
        modifier_up=(keyup "$4")
    fi
    input mousemove --window "$WIN" "$2" "$3" sleep $settle "${modifier_down[@]}" \
        mousedown "$1" sleep "${click_hold:-$hold}" mouseup "$1" "${modifier_up[@]}" sleep $settle
}

# A block placed with left Ctrl at a random point is the topmost tile there:
# plain left clicks inside it raise it to 2 or 3, right clicks lower it or
# remove it, left Ctrl with the right button removes it.
place_and_work_tile() {
    local d raises lowers
    random_point
    d=$((1 + RANDOM % 30))
    click_hold=$sure_hold click 1 $X $Y Control_L; count ctrl_left_click
    raises=$((RANDOM % 3))
    for ((; raises > 0; raises--)); do
        click 1 $((X + d)) $((Y + d)); count left_click_on_tile
    done
    lowers=$((RANDOM % 3))
    for ((; lowers > 0; lowers--)); do
        click 3 $((X + d)) $((Y + d)); count right_click
    done
    if [ $((RANDOM % 4)) -eq 0 ]; then
        click 3 $((X + d)) $((Y + d)) Control_L; count ctrl_right_click
    fi
}

# A plain left click at a random point places a block over empty space or
# raises the topmost tile there; the right click at the same point lowers
# that tile again, or finds nothing beside the new block's corner.
left_then_right_click() {
    random_point
    click 1 $X $Y; count left_click
    click_hold=$sure_hold click 3 $X $Y; count right_click
}

scroll() {
    local arrows=(Left Right Up Down) modifiers=() arrow
    arrow=${arrows[RANDOM % 4]}
    case $((RANDOM % 4)) in
        1) modifiers=(Shift_L) ;;
        2) modifiers=(Control_L) ;;
        3) modifiers=(Shift_L Control_L) ;;
    esac
    random_span 5 60
    local down=() up=()
    for m in "${modifiers[@]}"; do down+=(keydown "$m"); up+=(keyup "$m"); done
    input "${down[@]}" keydown "$arrow" sleep "$SPAN" keyup "$arrow" "${up[@]}" sleep $settle
    count arrow
}

# Holds a one-shot key: the editor acts once and waits for its release.
press() {
    input keydown "$1" sleep $hold keyup "$1" sleep $settle
}

type_digits() {
    local digits="" n=$((1 + RANDOM % 8))
    for ((; n > 0; n--)); do digits+=$((RANDOM % 10)); done
    input type --delay 30 "$digits"
    count digits
}

random_action() {
    local roll=$((RANDOM % 100))
    if [ $roll -lt 12 ]; then
        random_point; input mousemove --window "$WIN" $X $Y sleep $settle; count move
    elif [ $roll -lt 26 ]; then
        left_then_right_click
    elif [ $roll -lt 38 ]; then
        place_and_work_tile
    elif [ $roll -lt 44 ]; then
        random_point; click 3 $X $Y; count right_click
    elif [ $roll -lt 49 ]; then
        random_point; click 3 $X $Y Control_L; count ctrl_right_click
    elif [ $roll -lt 54 ]; then
        random_point; click 1 $X $Y Control_L; count ctrl_left_click
    elif [ $roll -lt 60 ]; then
        if [ $((RANDOM % 2)) -eq 0 ]; then press KP_Add; else press KP_Subtract; fi
        count layer_key
    elif [ $roll -lt 72 ]; then
        scroll
    elif [ $roll -lt 78 ]; then
        press Return; count enter
    elif [ $roll -lt 90 ]; then
        type_digits
    elif [ $roll -lt 97 ]; then
        if [ $((RANDOM % 2)) -eq 0 ]; then press Up; else press Down; fi
        count up_down
    else
        random_span 5 50
        input keydown c sleep "$SPAN" keyup c sleep $settle
        count origin_overlay
    fi
}

# Appends "seconds rss data size" to $1; fails once the editor has ended.
sample_memory() {
    local memory
    memory=$(e2e_memory "$APP_PID")
    [ -n "$memory" ] || fail "plotwright is no longer running after $done_actions actions"
    echo "$((SECONDS - start)) $memory" >> "$1"
}

# Prints why map.txt ($1) is not a well-formed level with tileset $2, or
# nothing: the header, the name, five layers of tiles with types 0 to 3,
# 32-bit integers, at least one frame, decimal parameters, nothing after.
level_faults() {
    tr -s ' \t\r\n' '\n' < "$1" | awk -v tileset="$2" '
        function fault(what) { print "token " NR ": " what " (\"" $0 "\")"; bad = 1; exit }
        function integer() {
            if ($0 !~ /^-?(0|[1-9][0-9]*)$/ || $0 + 0 < -2147483648 || $0 + 0 > 2147483647)
                fault("not a 32-bit integer")
            return $0 + 0
        }
        function decimal() {
            if ($0 !~ /^-?([0-9]+\.?[0-9]*|\.[0-9]+)(e[-+]?[0-9]+)?$/) fault("not a decimal number")
        }
        function next_token() {
            if ((getline) <= 0) { print "the file ends early"; bad = 1; exit }
        }
        BEGIN {
            next_token(); if ($0 != "001") fault("not the header 001")
            next_token(); if ($0 != tileset) fault("not the tileset name " tileset)
            for (layer = 0; layer < 5; layer++) {
                next_token(); count = integer(); if (count < 0) fault("a negative count")
                for (t = 0; t < count; t++) {
                    next_token(); type = integer(); if (type < 0 || type > 3) fault("a type outside 0 to 3")
                    next_token(); integer(); next_token(); integer()
                    next_token(); frames = integer(); if (frames < 1) fault("no frames")
                    for (k = 0; k < 4 * frames; k++) { next_token(); integer() }
                    for (k = 0; k < 4; k++) { next_token(); decimal() }
                    tiles++
                }
            }
            if ((getline) > 0) fault("more after the fifth layer")
            if (!bad) print tiles > "/dev/stderr"
        }'
}

e2e_launch "$PLOTWRIGHT"
e2e_wait_window
start=$SECONDS
next_sample=0
while [ $done_actions -lt "$actions" ]; do
    if [ $((SECONDS - start)) -ge $next_sample ]; then
        sample_memory "$WORK/memory.txt"
        next_sample=$((next_sample + sample_seconds))
    fi
    random_action
done
sleep 1
sample_memory "$WORK/memory.txt"
read -r _ session_rss session_data _ < <(tail -n 1 "$WORK/memory.txt")
session_seconds=$((SECONDS - start))

# Held until the program ends, through any wait a last key may have left.
xdotool keydown Escape
e2e_wait_exit 60
xdotool keyup Escape
[ "$APP_STATUS" -eq 0 ] || fail "Escape ended the editor with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "the editor showed a message during the session"

cd "$WORK/level"
faults=$(level_faults map.txt tileset.bmp 2> "$WORK/tile_count")
[ -z "$faults" ] || { cp map.txt "$WORK/saved_map.txt"; E2E_KEEP=1
    fail "the saved level is not well-formed: $faults (kept as $WORK/saved_map.txt)"; }
cp map.txt "$WORK/saved_map.txt"
cmp -s map.txt "$here/../../levels/demo/map.txt" && fail "the session left the demo level unchanged"

# A fresh editor on the saved level: no message, and its memory for comparison.
e2e_launch "$PLOTWRIGHT"
e2e_wait_window
sleep 3
sample_memory "$WORK/fresh_memory.txt"
read -r _ fresh_rss fresh_data _ < "$WORK/fresh_memory.txt"
xdotool keydown Escape
e2e_wait_exit 60
xdotool keyup Escape
[ "$APP_STATUS" -eq 0 ] || fail "plotwright on the saved level ended with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "plotwright showed a message on the saved level"
cmp -s map.txt "$WORK/saved_map.txt" || fail "saving the reloaded level changed map.txt"

e2e_launch "$TARROW"
e2e_wait_window
sleep 3
kill -0 "$APP_PID" 2> /dev/null || fail "tarrow ended while playing the saved level"
xdotool keydown Escape
e2e_wait_exit 60
xdotool keyup Escape
[ "$APP_STATUS" -eq 0 ] || fail "tarrow on the saved level ended with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "tarrow showed a message on the saved level"

echo "actions: $(for kind in "${!done_count[@]}"; do printf '%s %s, ' "$kind" "${done_count[$kind]}"; done)"
echo "saved level: $(cat "$WORK/tile_count") tiles, $(wc -c < map.txt) bytes"
echo "memory during the session (seconds, VmRSS kB, VmData kB, VmSize kB):"
column -t "$WORK/memory.txt" 2> /dev/null || cat "$WORK/memory.txt"
echo "after ${session_seconds} s: VmRSS $session_rss kB, VmData $session_data kB;" \
    "a fresh plotwright on the saved level: VmRSS $fresh_rss kB, VmData $fresh_data kB (slack $slack_kb kB)"
[ "$session_rss" -le $((fresh_rss + slack_kb)) ] && [ "$session_data" -le $((fresh_data + slack_kb)) ] ||
    fail "plotwright holds more memory after the session than a fresh start on the saved level (seed $seed)"
echo "ok: plotwright ran $done_actions actions; the saved level reloads unchanged and plays"
