# Plotwright started on each bad level file of fault_files.sh: it shows the
# expected messages, keeps running, ends with status 0 on Escape, and loses
# nothing: a file it could not read whole is kept as map.txt.bak, and what it
# saves reloads without a message. Without a usable tileset it draws each
# tile's frame as a grey outline.
source "$E2E_LIB"
source "$SOURCE_DIR/tests/e2e/fault_files.sh"
e2e_setup

stop="Reading stops here; the level keeps what was read before. The original file is kept as map.txt.bak."

# Fails unless map.txt.bak holds the original file.
expect_backup() {
    cmp -s map.txt.bak "$WORK/original" || fail "$case: map.txt.bak is not the original file"
}

for case in "${fault_cases[@]}"; do
    rm -rf "$WORK/level" && mkdir "$WORK/level" && cd "$WORK/level"
    fault_file "$case"
    [ -f map.txt ] && cp map.txt "$WORK/original"
    : > "$WORK/messages.log"
    run_until_escape "$PLOTWRIGHT"
    case $case in
        empty | wrong_header | long_header)
            expect_log "Error! Wrong file format!"
            [ ! -e map.txt.bak ] || fail "$case: a backup of a file read whole" ;;
        folder)
            expect_log "Error! Wrong file format!
map.txt could not be read (Is a directory). The editor starts with an empty level and will not replace the file when saving.
The level could not be saved to map.txt (it holds data the editor could not read or back up, so it is left as it was). It was written to map.txt.recovered instead."
            [ -d map.txt ] && [ -f map.txt.recovered ] || fail "folder: $(ls -l)" ;;
        long_tileset_name)
            expect_first_message_with "is 10000 characters long, more than the 63 the editor can hold."
            expect_backup ;;
        cut_short)
            expect_first_message_with "$stop"
            expect_backup ;;
        letters)
            expect_log "map.txt, line 5: expected the x position of tile #0 of layer #0 (a whole number) but found \"abc\". $stop"
            expect_backup ;;
        beyond_32_bits)
            expect_log "map.txt, line 8: expected the setx value of frame #0 of tile #0 of layer #0 (a whole number from -2147483648 to 2147483647) but found \"4294967296\". $stop"
            expect_backup ;;
        negative_count)
            expect_log "map.txt, line 3: expected the tile count of layer #0 (a whole number, 0 or more) but found \"-1\". $stop"
            expect_backup ;;
        two_billion)
            expect_log "map.txt, line 32: expected the type of tile #29 of layer #0 (a whole number) but the file ends after this line. $stop"
            expect_backup
            [ "$(sed -n 3p map.txt)" = 29 ] || fail "two_billion: the 29 tiles read whole were not saved" ;;
        frames_0 | frames_minus_5)
            expect_first_message_with "Tile #0 of layer #0 uses a not existing frame number. Its frame number will be set to 1."
            expect_backup ;;
        binary)
            expect_first_message_with "Error! Wrong file format!"
            expect_backup ;;
        missing_tileset | tileset_not_an_image)
            expect_log ""
            expect_corners 100 200 131 231 160,160,160
            cmp -s map.txt "$WORK/original" || fail "$case: the level came back changed" ;;
    esac

    # What was saved is a level of its own: it loads without a message.
    [ -d map.txt ] && continue
    cp map.txt "$WORK/saved"
    : > "$WORK/messages.log"
    run_until_escape "$PLOTWRIGHT"
    expect_log ""
    cmp -s map.txt "$WORK/saved" || fail "$case: the saved level came back changed"
done
echo "ok"
