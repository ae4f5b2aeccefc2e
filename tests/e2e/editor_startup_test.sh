# Starting the real editor: with no display it says why on standard error and
# ends with status 1, touching nothing; with no "map.txt" it reports the
# wrong format, starts empty, and the file written at Escape reloads without
# a message and is written back unchanged.
source "$E2E_LIB"
e2e_setup

cd "$WORK/level"
level='001
tiles.bmp
0
0
0
0
0
'
printf '%s' "$level" > map.txt

# No display at all.
status=0
env -u DISPLAY PATH="$WORK/shim:$PATH" timeout "$E2E_DEADLINE" "$PLOTWRIGHT" \
    > "$WORK/app.out" 2> "$WORK/errors.txt" || status=$?
[ "$status" = 1 ] || fail "with no display the editor ended with status $status, not 1"
expected='plotwright: cannot start the Allegro library: no display could be opened (is DISPLAY set?)'
[ "$(cat "$WORK/errors.txt")" = "$expected" ] || fail "standard error held: $(cat "$WORK/errors.txt")"
[ ! -s "$WORK/messages.log" ] || fail "a message box was opened with no display"
[ "$(cat map.txt; echo .)" = "$level." ] || fail "map.txt was changed"
[ "$(ls)" = "map.txt" ] || fail "files appeared: $(ls)"

# No map.txt: one message, an empty level, saved with the default tileset name.
rm map.txt
e2e_launch "$PLOTWRIGHT"
e2e_wait_window
e2e_hold Escape
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || fail "the editor ended with status $APP_STATUS"
[ "$(cat "$WORK/messages.log")" = "Error! Wrong file format!" ] || fail "wrong messages"
empty_level='001
tileset.bmp
0
0
0
0
0
'
[ "$(cat map.txt; echo .)" = "$empty_level." ] || fail "map.txt for an empty level: $(cat map.txt)"
[ "$(ls)" = "map.txt" ] || fail "files besides map.txt: $(ls)"

# The file written reloads as it is, without a message.
: > "$WORK/messages.log"
e2e_launch "$PLOTWRIGHT"
e2e_wait_window
e2e_hold Escape
e2e_wait_exit
[ "$APP_STATUS" = 0 ] || fail "the editor ended with status $APP_STATUS on its own file"
[ ! -s "$WORK/messages.log" ] || fail "its own file gave messages"
[ "$(cat map.txt; echo .)" = "$empty_level." ] || fail "its own file came back changed: $(cat map.txt)"
echo "ok"
