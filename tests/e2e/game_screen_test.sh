# Tarrow's screen in the real program. With no player the camera stays at
# its start (-100, -100), so a world point (x, y) shows at (x + 100, y + 100):
# the red block of layer 0 at (100, 200) shows at (200, 300), the message
# board of layer 0 at (0, 300) covers (100, 400) to (710, 510), and the green
# block of layer 1 at (400, 400), behind the board, shows only below it.
# The frame rate is at the top-left corner; Escape ends the game with status 0.
source "$E2E_LIB"
source "$SOURCE_DIR/tests/e2e/game_lib.sh"
e2e_setup

cd "$WORK/level"
game_tileset
printf '%s\n' 001 tiles.bmp \
    2 1 100 200 1 0 0 32 32 0 0 0 0 \
      3 0 300 1 0 0 32 32 0 0 0 0 \
    1 1 400 400 1 32 0 32 32 0 0 0 0 \
    0 0 0 > map.txt

e2e_launch "$TARROW"
e2e_wait_window
sleep 1
shot="$WORK/game.png"
e2e_shot "$shot"

red=255,0,0
green=0,255,0
black=0,0,0
border=0,0,192
panel=128,64,0
expect_pixel "$shot" 200 300 $red "block's top-left corner"
expect_pixel "$shot" 231 331 $red "block's bottom-right corner"
expect_pixel "$shot" 199 300 $black "left of the block"
expect_pixel "$shot" 232 331 $black "right of the block"
expect_pixel "$shot" 200 299 $black "above the block"
expect_pixel "$shot" 100 400 $border "board's top-left corner"
expect_pixel "$shot" 104 404 $border "board's innermost border line"
expect_pixel "$shot" 710 510 $border "board's bottom-right corner"
expect_pixel "$shot" 711 510 $black "right of the board"
expect_pixel "$shot" 105 405 $panel "board's panel"
expect_pixel "$shot" 520 502 $panel "board over the layer-1 block"
expect_pixel "$shot" 520 520 $green "layer-1 block below the board"
expect_fps_label "$shot"
[ "$(e2e_white_pixels "$shot" 110 410 400 8)" -gt 0 ] || fail "no story text on the board"
[ ! -s "$WORK/messages.log" ] || fail "a well-formed level showed a message"

e2e_hold Escape
e2e_wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "Escape ended the game with status $APP_STATUS"
echo "ok"
