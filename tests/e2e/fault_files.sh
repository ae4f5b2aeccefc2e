# The bad level files of the fault end-to-end scripts. Source after lib.sh;
# fault_file NAME writes case NAME as map.txt (and its tileset) into the
# current folder. Every case but "folder" names tiles.bmp, which only the
# tileset cases provide.
fault_cases=(empty folder wrong_header long_header long_tileset_name cut_short letters
             beyond_32_bits negative_count two_billion frames_0 frames_minus_5 binary
             missing_tileset tileset_not_an_image)

# Prints a run of $2 copies of the character $1.
repeat_char() {
    head -c "$2" /dev/zero | tr '\0' "$1"
}

fault_file() {
    case $1 in
        empty) : > map.txt ;;
        folder) mkdir map.txt ;;
        wrong_header) printf '%s\n' 002 tiles.bmp 1 1 100 200 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt ;;
        long_header)
            { repeat_char x 10000; printf '\n%s' tiles.bmp 1 1 100 200 1 0 0 32 32 0 0 0 0 0 0 0 0
              echo; } > map.txt ;;
        long_tileset_name)
            { echo 001; repeat_char n 10000; printf '\n%s' 1 1 100 200 1 0 0 32 32 0 0 0 0 0 0 0 0
              echo; } > map.txt ;;
        cut_short) printf '%s\n' 001 tiles.bmp 1 1 100 200 1 0 0 32 32 > map.txt ;;
        letters) printf '%s\n' 001 tiles.bmp 1 1 abc 200 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt ;;
        beyond_32_bits)
            printf '%s\n' 001 tiles.bmp 1 1 100 200 1 4294967296 0 32 32 0 0 0 0 0 0 0 0 > map.txt ;;
        negative_count) printf '%s\n' 001 tiles.bmp -1 0 0 0 0 > map.txt ;;
        two_billion)
            { printf '%s\n' 001 tiles.bmp 2000000000
              for x in $(seq 0 32 900); do echo "1 $x 200 1 0 0 32 32 0 0 0 0"; done; } > map.txt ;;
        frames_0) printf '%s\n' 001 tiles.bmp 1 0 100 200 0 0 0 0 0 0 0 0 0 > map.txt ;;
        frames_minus_5) printf '%s\n' 001 tiles.bmp 1 0 100 200 -5 0 0 0 0 0 0 0 0 > map.txt ;;
        binary) head -c 1500 "$TARROW" > map.txt ;;
        missing_tileset) printf '%s\n' 001 tiles.bmp 1 1 100 200 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt ;;
        tileset_not_an_image)
            printf '%s\n' 001 tiles.bmp 1 1 100 200 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt
            echo "no picture here" > tiles.bmp ;;
        *) fail "no fault case $1" ;;
    esac
}

# Starts the program (path in $1) on the level folder, checks that it is
# still running half a second later, takes $WORK/shot.png, then holds
# Escape: it must end with status 0.
run_until_escape() {
    e2e_launch "$1"
    e2e_wait_window
    sleep 0.5
    kill -0 "$APP_PID" 2> /dev/null || fail "$case: the program ended by itself"
    e2e_shot "$WORK/shot.png"
    e2e_hold Escape
    e2e_wait_exit
    [ "$APP_STATUS" = 0 ] || fail "$case: Escape ended the program with status $APP_STATUS"
}

# Fails unless the messages shown are exactly $1 (lines; empty for none).
expect_log() {
    [ "$(cat "$WORK/messages.log")" = "$1" ] ||
        fail "$case: expected the messages
$1
but they were
$(cat "$WORK/messages.log")"
}

# Fails unless the screenshot's pixels ($1, $2) and ($3, $4) have the colour $5 (r,g,b).
expect_corners() {
    local seen
    for corner in "$1 $2" "$3 $4"; do
        seen=$(e2e_pixel "$WORK/shot.png" $corner)
        [ "$seen" = "$5" ] || fail "$case: pixel ($corner) is $seen, not the outline's $5"
    done
}

# Fails unless the first message shown holds the text $1.
expect_first_message_with() {
    head -n1 "$WORK/messages.log" | grep -qF -- "$1" ||
        fail "$case: the first message does not hold \"$1\""
}
