# Left Ctrl in the real editor under X11: with the left button it places a
# block over a tile, with the right button it removes the topmost tile under
# the pointer. Right Ctrl does neither: the library reports the left Ctrl key
# as held too while the right one is down, and the editor must not take that
# for the left one.
source "$E2E_LIB"
e2e_setup

cd "$WORK/level"
printf '%s\n' 001 tiles.bmp 1 2 100 100 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt

# Clicks button $2 at window pixel ($3, $3) while key $1 is held.
click_holding() {
    xdotool keydown "$1"
    sleep 0.1
    e2e_click "$2" "$3" "$3"
    xdotool keyup "$1"
    sleep 0.1
}

e2e_launch "$PLOTWRIGHT"
e2e_wait_window
click_holding Control_R 1 110   # raises the tile's type from 2 to 3
click_holding Control_R 3 110   # lowers it back to 2, keeping the tile
click_holding Control_L 1 110   # places a block at (110, 110) on top
click_holding Control_L 3 111   # removes that block again, type 1 or not
click_holding Control_R 3 111   # lowers the first tile to 1
e2e_hold Escape
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || fail "the editor ended with status $APP_STATUS"

expected="001 tiles.bmp 1 1 100 100 1 0 0 32 32 0 0 0 0 0 0 0 0"
actual=$(echo $(cat map.txt))
[ "$actual" = "$expected" ] || fail "map.txt after the Ctrl clicks:
$actual
expected:
$expected"
echo "ok"
