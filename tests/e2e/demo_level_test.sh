# The bundled demo level, played for real: both programs load it without a
# single message, the editor writes it back byte for byte, and in the game
# the player, holding Right, runs well to the right of its start and is
# still standing on the ground; Escape then ends the game with status 0.
#
# Positions are read from screenshots: the player by its boots, the one
# colour no other picture uses, and the level by the message board's blue
# border, which stands at a known place in the world. Both are measured in
# the same picture, so wherever the camera is, the player's world position
# is the board's plus the difference.
source "$E2E_LIB"
e2e_setup
cp "$SOURCE_DIR/levels/demo/map.txt" "$SOURCE_DIR/levels/demo/tileset.bmp" "$WORK/level/"

boots=84,44,20
board_border=0,0,192
# In the world: the board's top-left corner is (64, 64); the standing
# player's boots begin 7 px right of its x = 112, and their lowest row lies
# 2 px above the ground's top at y = 448.
boots_from_board_left=$((112 + 7 - 64))
boots_on_ground_from_board_top=$((448 - 2 - 64))
least_run=300

no_messages() {
    [ ! -s "$WORK/messages.log" ] || fail "$1 showed a message"
}

# Sets boots_left, boots_bottom, board_left, board_top from screenshot $1.
locate() {
    local box
    box=$(e2e_colour_box "$1" "$boots")
    [ -n "$box" ] || fail "no player in view ($1)"
    read -r boots_left _ _ boots_bottom <<< "$box"
    box=$(e2e_colour_box "$1" "$board_border")
    [ -n "$box" ] || fail "no message board in view ($1)"
    read -r board_left board_top _ _ <<< "$box"
}

# The editor: loads the level silently and saves it unchanged.
e2e_launch "$PLOTWRIGHT"
e2e_wait_window
e2e_hold Escape 0.3
e2e_wait_exit 30
[ "$APP_STATUS" -eq 0 ] || fail "plotwright ended with status $APP_STATUS"
no_messages plotwright
cmp -s "$WORK/level/map.txt" "$SOURCE_DIR/levels/demo/map.txt" ||
    fail "plotwright did not write the demo level back unchanged"

# The game: the player starts standing on the ground.
e2e_launch "$TARROW"
e2e_wait_window
sleep 1
e2e_shot "$WORK/start.png"
no_messages tarrow
locate "$WORK/start.png"
[ $((boots_left - board_left)) -eq "$boots_from_board_left" ] ||
    fail "the player starts $((boots_left - board_left)) px right of the board, not $boots_from_board_left"
[ $((boots_bottom - board_top)) -eq "$boots_on_ground_from_board_top" ] ||
    fail "the player does not start on the ground"

# Two and a half seconds of running: about 600 px at 250 px/s, on flat ground.
e2e_hold Right 2.5
sleep 0.5
e2e_shot "$WORK/ran.png"
locate "$WORK/ran.png"
run=$((boots_left - board_left - boots_from_board_left))
[ "$run" -ge "$least_run" ] || fail "the player ran only $run px to the right"
[ $((boots_bottom - board_top)) -eq "$boots_on_ground_from_board_top" ] ||
    fail "after running, the player is not on the ground ($((boots_bottom - board_top)) px below the board's top)"

e2e_hold Escape 0.3
e2e_wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "tarrow ended with status $APP_STATUS after Escape"
no_messages tarrow
echo "the player ran $run px to the right"
