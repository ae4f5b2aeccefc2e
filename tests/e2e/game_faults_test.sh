# Tarrow with a faulty level. Without map.txt it shows "Error! Wrong file
# format!" once and runs an empty level. With a map.txt that ends inside its
# second entity it says where the file ended and what it expected there,
# then runs with the first entity, which it read whole. Both end on Escape
# with status 0.
source "$E2E_LIB"
source "$SOURCE_DIR/tests/e2e/game_lib.sh"
e2e_setup
cd "$WORK/level"

play_until_escape() {
    e2e_launch "$TARROW"
    e2e_wait_window
    sleep 0.5
    e2e_shot "$1"
    e2e_hold Escape
    e2e_wait_exit
    [ "$APP_STATUS" -eq 0 ] || fail "Escape ended the game with status $APP_STATUS"
}

expect_messages() {
    [ "$(cat "$WORK/messages.log")" = "$1" ] || fail "expected the message \"$1\""
    : > "$WORK/messages.log"
}

play_until_escape "$WORK/missing.png"
expect_messages "Error! Wrong file format!"
expect_fps_label "$WORK/missing.png"

game_tileset
printf '%s\n' 001 tiles.bmp 2 \
    1 100 200 1 0 0 32 32 0 0 0 0 \
    1 132 200 1 0 0 32 32 0 0 0 > map.txt
play_until_escape "$WORK/truncated.png"
expect_messages "map.txt, line 26: expected the d4 value of entity #1 of layer #0 (a number) but found the end of the file. Reading stops here; the game runs with what was read before."
expect_pixel "$WORK/truncated.png" 210 310 255,0,0 "the entity read whole"
expect_pixel "$WORK/truncated.png" 240 310 0,0,0 "where the dropped entity would be"
expect_fps_label "$WORK/truncated.png"
echo "ok"
