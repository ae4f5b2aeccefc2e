# The editor's screen in the real program: with the pointer on a tile, the
# window shows the layer line, the tile's property panel with the marker
# under the "Active frame" field (the editor opens in that field), the
# pointer's world position right-aligned at the window's edge, and the tile
# itself from the tileset.
source "$E2E_LIB"
e2e_setup

cd "$WORK/level"
convert -size 64x32 xc:'rgb(40,90,160)' BMP3:tiles.bmp
printf '%s\n' 001 tiles.bmp 1 1 390 440 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt

e2e_launch "$PLOTWRIGHT"
e2e_wait_window
e2e_move 400 450
sleep 0.3
shot="$WORK/editor.png"
e2e_shot "$shot"

# Expects white pixels in the W x H area at (X, Y): "some" or "none".
expect_white() {
    local count
    count=$(e2e_white_pixels "$shot" "$1" "$2" "$3" "$4")
    case "$5" in
        some) [ "$count" -gt 0 ] || fail "no white in ${3}x${4} at ($1, $2): $6" ;;
        none) [ "$count" -eq 0 ] || fail "$count white pixels in ${3}x${4} at ($1, $2): $6" ;;
    esac
}

expect_white 0 0 120 8 some "\"Active layer: 1\""
for y in 10 20 30 40 50 60 70 90 100 110 120 130 140; do
    expect_white 0 "$y" 40 8 some "the panel label at y $y"
    expect_white 192 "$y" 8 8 some "the panel value ending at x 200, y $y"
done
expect_white 0 80 200 8 none "the empty panel row"
expect_white 0 150 200 8 none "below the panel"
expect_white 200 10 300 140 none "right of the panel values"

# Mode 6, cursor 0: the marker covers x 176..182 on the row below "Active frame:".
expect_white 176 110 7 1 some "the edit marker"
[ "$(e2e_white_pixels "$shot" 176 110 7 1)" = 7 ] || fail "the edit marker is not 7 white pixels"
expect_white 175 110 1 1 none "left of the edit marker"
expect_white 183 110 1 1 none "right of the edit marker"

# "Mouse position: (400;450)" is 25 cells of 8 pixels ending at x 800.
expect_white 600 0 200 8 some "the mouse position"
expect_white 520 0 80 8 none "left of the mouse position"
expect_white 792 0 8 8 some "the mouse position's last character"

tile=$(e2e_pixel "$shot" 395 445)
[ "$tile" = "40,90,160" ] || fail "the tile at (390, 440) shows $tile, not the tileset's colour"

e2e_hold Escape
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || fail "plotwright ended with status $APP_STATUS"
echo "ok: panel, marker, mouse position and tile drawn"
