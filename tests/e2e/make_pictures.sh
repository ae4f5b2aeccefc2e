# make_pictures.sh DIR: plays a copy of the demo level under a private X
# server with scripted keys and writes the README's pictures into DIR:
#   game_start.png    the game as it starts, with the message board
#   game_running.png  the player running, in mid-stride
#   game_walker.png   the player at the first walker's pen, the walker in view
#   editor.png        Plotwright on the demo level, pointing at a walker,
#                     its panel shown with the edit-field marker
#   play.gif          a few seconds of play, at half size
# Needs TARROW and PLOTWRIGHT (the programs); run it through ./run pictures.
set -u
here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: make_pictures.sh DIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
source "$here/lib.sh"
e2e_setup
cp "$here/../../levels/demo/map.txt" "$here/../../levels/demo/tileset.bmp" "$WORK/level/"
mkdir "$WORK/frames"

boots=84,44,20        # the player's boots: no other picture has this colour
beetle=128,72,168     # the beetles' shell
board_border=0,0,192  # the message board's border
gif_frames=22
gif_jumps=(1000 3000)  # milliseconds into the run: a hop, then over the pen's wall

# Saves the 800 x 600 window at the screen's top-left corner as $1.
window_shot() {
    import -display "$DISPLAY" -window root -crop 800x600+0+0 +repage "$1" ||
        fail "screenshot failed"
}

# A screenshot can take the keyboard focus from the game for a moment, and
# Allegro then lets go of every held key: Right is pressed again after each.
running_shot() {
    window_shot "$1"
    xdotool keydown Right
}

# Milliseconds since the clock reading $1 (microseconds, from now_us).
ms_since() {
    echo $((($(now_us) - $1) / 1000))
}

now_us() {
    echo "${EPOCHREALTIME//[!0-9]/}"
}

e2e_launch "$TARROW"
e2e_wait_window
sleep 1
window_shot "$out/game_start.png"

# Run right, jumping now and then, and keep every frame for the animation.
start=$(now_us)
jump=0
xdotool keydown Right
for ((i = 0; i < gif_frames; i++)); do
    if [ "$jump" -lt ${#gif_jumps[@]} ] && [ "$(ms_since "$start")" -ge "${gif_jumps[$jump]}" ]; then
        xdotool keydown space
        sleep 0.1
        xdotool keyup space
        jump=$((jump + 1))
    fi
    running_shot "$WORK/frames/$(printf '%02d' "$i").png"
done
elapsed=$(ms_since "$start")
# Keep running for three more seconds: the player stops at the pen's wall
# and the camera catches up, so the pen lies in view.
for ((i = 0; i < 10; i++)); do
    sleep 0.3
    xdotool keydown Right
done
xdotool keyup Right

# The running picture: the widest stride on the ground once the player is
# up to speed. On the ground the boots' lowest row lies 382 px below the
# top of the message board, wherever the camera is.
best_width=0
for ((i = gif_frames / 3; i < gif_frames; i++)); do
    frame="$WORK/frames/$(printf '%02d' "$i").png"
    box=$(e2e_colour_box "$frame" "$boots")
    board_box=$(e2e_colour_box "$frame" "$board_border")
    [ -n "$box" ] && [ -n "$board_box" ] || continue
    read -r left _ right bottom <<< "$box"
    read -r _ board_top _ _ <<< "$board_box"
    [ $((bottom - board_top)) -eq 382 ] || continue
    if [ $((right - left)) -gt "$best_width" ]; then
        best_width=$((right - left))
        cp "$frame" "$out/game_running.png"
    fi
done
[ "$best_width" -gt 0 ] || fail "the player was not seen while running"

# The walker picture: wait until the player and the whole beetle are in view.
end=$((SECONDS + E2E_DEADLINE))
while :; do
    [ $SECONDS -lt $end ] || fail "no walker came into view"
    sleep 0.2
    window_shot "$WORK/walker.png"
    box=$(e2e_colour_box "$WORK/walker.png" "$beetle")
    [ -n "$box" ] && [ -n "$(e2e_colour_box "$WORK/walker.png" "$boots")" ] || continue
    read -r _ _ right _ <<< "$box"
    [ "$right" -lt 780 ] && break
done
cp "$WORK/walker.png" "$out/game_walker.png"
e2e_hold Escape 0.3
e2e_wait_exit

# The animation: half size, one colour table, each frame as long as it lasted.
delay=$((elapsed / 10 / gif_frames))
convert -delay "$delay" -loop 0 "$WORK"/frames/*.png -scale 400x300 +dither -colors 64 \
    -layers Optimize "$out/play.gif" || fail "cannot assemble play.gif"

# The editor: Enter for navigation, fast scrolling right in short bursts
# until the first pen is in the middle of the window, Enter again for edit
# mode on d1, whose marker then shows under the panel; the pointer rests on
# the beetle, whose fields the panel shows.
e2e_launch "$PLOTWRIGHT"
e2e_wait_window
e2e_hold Return
end=$((SECONDS + E2E_DEADLINE))
left=800
while [ "$left" -gt 420 ]; do
    [ $SECONDS -lt $end ] || fail "the editor did not scroll to the beetle"
    xdotool keydown Control_L keydown Right
    sleep 0.1
    xdotool keyup Right keyup Control_L
    window_shot "$WORK/editor.png"
    box=$(e2e_colour_box "$WORK/editor.png" "$beetle")
    [ -n "$box" ] && read -r left top right bottom <<< "$box"
done
e2e_hold Return
e2e_move $(((left + right) / 2)) $(((top + bottom) / 2))
sleep 0.5
window_shot "$out/editor.png"
e2e_hold Escape 0.3
e2e_wait_exit 30

ls -l "$out"/game_start.png "$out"/game_running.png "$out"/game_walker.png "$out"/editor.png \
    "$out"/play.gif
