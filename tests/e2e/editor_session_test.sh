# A level designer's session in the real editor: Enter to leave the opening
# edit mode, placing blocks, raising and lowering types, removing a tile with
# left Ctrl, switching layers with the keypad keys (wrapping both ways),
# scrolling, typing values into a tile's fields, then Escape; the "map.txt"
# written at exit must hold exactly the result.
source "$E2E_LIB"
e2e_setup

cd "$WORK/level"
convert -size 64x32 xc:'rgb(40,90,160)' BMP3:tiles.bmp
printf '%s\n' 001 tiles.bmp 1 2 40 40 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt

e2e_launch "$PLOTWRIGHT"
e2e_wait_window

# The editor opens in edit mode, where the arrow keys do not scroll (Left
# only keeps the entry cursor on its first place); one Enter gives navigation.
e2e_hold Left 0.3
e2e_hold Return

e2e_click 1 100 100          # new block at (100, 100), layer 1: no scroll so far
e2e_click 1 110 110          # raises it to 2
e2e_click 1 110 110          # and to 3
e2e_click 3 50 50            # the walker at (40, 40) becomes a block
e2e_click 1 300 200          # another block
xdotool keydown Control_L
e2e_click 3 310 210          # left Ctrl with the right button removes it
xdotool keyup Control_L

e2e_hold KP_Add              # layer 2
e2e_click 1 200 400
e2e_hold KP_Subtract         # layer 1
e2e_hold KP_Subtract         # wraps to layer 5
e2e_click 1 60 500
e2e_hold KP_Add              # wraps back to layer 1

e2e_hold Right 0.3           # scrolls right by some pixels
e2e_click 1 600 300          # a block at the pointer's world position

# Edit the new block, keeping the pointer on it so it stays selected.
e2e_move 610 310
e2e_hold Return              # mode 1, d1
sleep 0.5                    # keys typed in navigation mode are worked off
xdotool type --delay 60 00001500
sleep 0.3                    # d1 = 1.5, cursor on the last place
for _ in 1 2 3 4; do e2e_hold Down; done      # mode 5, frames
for _ in 1 2 3 4 5; do e2e_hold Left; done    # cursor back on the third place
xdotool type --delay 60 2    # entry 00201500: two frames
sleep 0.3
e2e_hold Down                # mode 6, active frame
xdotool type --delay 60 1    # entry 00101500: frame 1
sleep 0.3
e2e_hold Down                # mode 7, setx of frame 1
xdotool type --delay 60 0    # entry 00001500: setx 1500, cursor on the fourth place
sleep 0.3
for _ in 1 2 3; do e2e_hold Down; done        # mode 10, sizey of frame 1
xdotool type --delay 60 9    # entry 00091500
sleep 0.3
e2e_hold Return              # navigation mode
e2e_hold Escape
e2e_wait_exit

[ "$APP_STATUS" = 0 ] || fail "plotwright ended with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "unexpected messages"

tokens=($(cat map.txt))
# The block placed after scrolling lies at the pointer plus the scroll.
scrolled_x=${tokens[28]:-}
[[ "$scrolled_x" =~ ^[0-9]+$ ]] && [ "$scrolled_x" -gt 600 ] ||
    fail "the block placed after scrolling right is at x '$scrolled_x', expected more than 600"
tokens[28]=X

expected="001 tiles.bmp
3
1 40 40 1 0 0 32 32 0 0 0 0
3 100 100 1 0 0 32 32 0 0 0 0
1 X 300 2 0 0 32 32 1500 0 32 91500 1.5 0 0 0
1
1 200 400 1 0 0 32 32 0 0 0 0
0
0
1
1 60 500 1 0 0 32 32 0 0 0 0"
actual="${tokens[*]}"
[ "$actual" = "$(echo $expected)" ] ||
    fail "map.txt after the session:
$actual
expected:
$(echo $expected)"
echo "ok: session saved as expected (scrolled block at x $scrolled_x)"
