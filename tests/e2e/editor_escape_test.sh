# Escape in the real editor counts only at the frame loop's test: pressed and
# released while a click holds the frame, it is not seen and the editor goes
# on; held through such a wait, it ends the editor after that frame, and the
# level is saved. Digits typed in navigation mode wait in the key buffer and
# go into the field once Enter switches edit mode on.
source "$E2E_LIB"
e2e_setup

cd "$WORK/level"
printf '%s\n' 001 tiles.bmp 0 0 0 0 0 > map.txt

e2e_launch "$PLOTWRIGHT"
e2e_wait_window
e2e_hold Return                 # navigation mode

# Escape pressed and let go while the left button holds the frame.
e2e_move 100 100
xdotool mousedown 1
sleep 0.3                       # the block is placed; the frame waits for the button
e2e_hold Escape
xdotool mouseup 1
sleep 0.5
kill -0 "$APP_PID" 2> /dev/null || fail "Escape during the button's wait ended the editor"

# Typed in navigation mode: nothing is read until edit mode is on.
e2e_move 110 110                # keeps the new block selected
xdotool type --delay 60 42
sleep 0.3
e2e_hold Return                 # mode 1: the buffered keys go into d1, one per frame
sleep 0.5

# Escape held while the left button holds the frame: the editor ends once
# the button is let go.
e2e_move 300 300
xdotool mousedown 1
sleep 0.3
xdotool keydown Escape
sleep 0.2
xdotool mouseup 1
e2e_wait_exit
xdotool keyup Escape
[ "$APP_STATUS" = 0 ] || fail "the editor ended with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "unexpected messages"

# Entry 42000000 in thousandths gives d1 = 42000.
expected="001 tiles.bmp 2 1 100 100 1 0 0 32 32 42000 0 0 0 1 300 300 1 0 0 32 32 0 0 0 0 0 0 0 0"
actual=$(echo $(cat map.txt))
[ "$actual" = "$expected" ] || fail "map.txt after the session:
$actual
expected:
$expected"
echo "ok"
