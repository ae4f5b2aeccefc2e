# The level file through the real editor. A hand-written level is rewritten
# in the writer's layout at Escape. A level with faults shows its messages in
# file order, keeps the original beside it and saves the corrected level,
# which then reloads silently. A save into a read-only folder says so and
# writes the level to a recovery file in the temporary folder.
source "$E2E_LIB"
e2e_setup
cd "$WORK/level"

# Runs the editor on the level folder until Escape, as the user given in
# $as_user (empty for the current one).
as_user=()
edit_and_leave() {
    (cd "$WORK/level" && PATH="$WORK/shim:$PATH" TMPDIR="$WORK/tmp" exec "${as_user[@]}" "$1") \
        > "$WORK/app.out" 2>&1 &
    APP_PID=$!
    e2e_wait_window
    e2e_hold Escape
    e2e_wait_exit
    [ "$APP_STATUS" = 0 ] || fail "the editor ended with status $APP_STATUS"
}

# Fails unless file $1 holds the tokens $2... one per line.
expect_tokens() {
    local file=$1
    shift
    printf '%s\n' "$@" | cmp -s - "$file" || fail "$file is not as expected:
$(cat -A "$file")"
}

# A hand-written level: tokens on shared lines, tabs, CR LF, blank lines,
# plus signs, leading zeros, decimal forms, no final line break.
printf '001 tiles.bmp\r\n2\r\n\t1 +64 0320 1   0 0 32 32   1.50 2e1 -0.25 0\r\n\r\n' > map.txt
printf '  0 -5 7 2 0 0 32 32 32 0 16 16 0 0 0 0\r\n0 0 0\r\n1 3 100 200 1 96 0 32 32 0 0 0 0' >> map.txt
edit_and_leave "$PLOTWRIGHT"
[ ! -s "$WORK/messages.log" ] || fail "a well-formed level gave messages"
expect_tokens map.txt 001 tiles.bmp 2 \
    1 64 320 1 0 0 32 32 1.5 20 -0.25 0 \
    0 -5 7 2 0 0 32 32 32 0 16 16 0 0 0 0 \
    0 0 0 \
    1 3 100 200 1 96 0 32 32 0 0 0 0
[ "$(ls)" = "map.txt" ] || fail "files besides map.txt: $(ls)"

# Faults: two corrections in the first tile, one in the second, then a
# fraction where the editor needs a whole number, on line 30.
printf '%s\n' 001 tiles.bmp 2 \
    7 10 20 0 0 0 32 32 0 0 0 0 \
    -1 40 20 1 8 0 32 32 0.5 0 0 0 \
    1 1 12.5 20 1 0 0 32 32 0 0 0 0 \
    0 0 0 > map.txt
cp map.txt "$WORK/faulty.txt"
: > "$WORK/messages.log"
edit_and_leave "$PLOTWRIGHT"
cat > "$WORK/expected.log" <<'TEXT'
Tile #0 of layer #0 uses a not existing type. Its type will be set to 0.
Tile #0 of layer #0 uses a not existing frame number. Its frame number will be set to 1.
Tile #1 of layer #0 uses a not existing type. Its type will be set to 0.
map.txt, line 30: expected the x position of tile #0 of layer #1 (a whole number) but found "12.5". Reading stops here; the level keeps what was read before. The original file is kept as map.txt.bak.
TEXT
diff "$WORK/expected.log" "$WORK/messages.log" > "$WORK/messages.diff" ||
    fail "messages differ: $(cat "$WORK/messages.diff")"
cmp -s map.txt.bak "$WORK/faulty.txt" || fail "map.txt.bak is not the original file"
expect_tokens map.txt 001 tiles.bmp 2 \
    0 10 20 1 0 0 32 32 0 0 0 0 \
    0 40 20 1 8 0 32 32 0.5 0 0 0 \
    0 0 0 0
cp map.txt "$WORK/corrected.txt"

: > "$WORK/messages.log"
edit_and_leave "$PLOTWRIGHT"
[ ! -s "$WORK/messages.log" ] || fail "the corrected level gave messages: $(cat "$WORK/messages.log")"
cmp -s map.txt "$WORK/corrected.txt" || fail "the corrected level came back changed"

# A read-only folder. Root writes anywhere, so root runs the editor as nobody.
rm map.txt.bak
mkdir "$WORK/tmp"
chmod 777 "$WORK/tmp"
chmod 755 "$WORK" "$WORK/shim"
chmod 666 "$WORK/messages.log"
cp "$PLOTWRIGHT" "$WORK/plotwright"
chmod 755 "$WORK/plotwright"
[ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
chmod 555 "$WORK/level"
: > "$WORK/messages.log"
edit_and_leave "$WORK/plotwright"
chmod 755 "$WORK/level"
expected="The level could not be saved to map.txt (Permission denied). It was written to $WORK/tmp/map.txt.recovered instead."
[ "$(cat "$WORK/messages.log")" = "$expected" ] ||
    fail "read-only folder: the messages were: $(cat "$WORK/messages.log")"
cmp -s "$WORK/tmp/map.txt.recovered" "$WORK/corrected.txt" || fail "the recovery file is not the level"
cmp -s map.txt "$WORK/corrected.txt" || fail "map.txt changed in a read-only folder"
echo "ok"
