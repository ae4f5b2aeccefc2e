# Tarrow started on each bad level file of fault_files.sh: it shows the
# expected message (or none), keeps running, and ends with status 0 on
# Escape. Without a usable tileset it draws each entity's frame as a yellow
# outline.
source "$E2E_LIB"
source "$SOURCE_DIR/tests/e2e/fault_files.sh"
e2e_setup

stop="Reading stops here; the game runs with what was read before."
for case in "${fault_cases[@]}"; do
    rm -rf "$WORK/level" && mkdir "$WORK/level" && cd "$WORK/level"
    fault_file "$case"
    : > "$WORK/messages.log"
    run_until_escape "$TARROW"
    case $case in
        empty | folder | wrong_header | long_header) expect_log "Error! Wrong file format!" ;;
        long_tileset_name)
            expect_log "map.txt, line 2: the tileset name has 10000 characters, more than the 31 the game can hold. It is cut to \"$(repeat_char n 31)\"." ;;
        cut_short) expect_first_message_with "$stop" ;;
        letters)
            expect_log "map.txt, line 5: expected the x position of entity #0 of layer #0 (a number) but found \"abc\". $stop" ;;
        beyond_32_bits)
            expect_log "map.txt, line 8: expected the setx value of frame #0 of entity #0 of layer #0 (a whole number) but found \"4294967296\", which is out of range. $stop" ;;
        negative_count)
            expect_log "map.txt, line 3: expected the entity count of layer #0 (a whole number, 0 or more) but found \"-1\". $stop" ;;
        two_billion)
            expect_log "map.txt, line 32: expected the type of entity #29 of layer #0 (a whole number) but found the end of the file. $stop" ;;
        frames_0 | frames_minus_5) expect_log "" ;;
        missing_tileset | tileset_not_an_image)
            # With no player the camera stays at (-100, -100).
            expect_log ""
            expect_corners 200 300 231 331 255,255,0 ;;
        binary)
            expect_first_message_with "Error! Wrong file format!"
            [ "$(wc -l < "$WORK/messages.log")" -le 3 ] || fail "binary: more than three messages" ;;
    esac
done
echo "ok"
