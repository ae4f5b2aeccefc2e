# The real editor killed outright while it saves a large level at Escape, at
# a spread of moments: map.txt is always the old level or the new one whole
# (the old one written on one line, the new in the writer's layout), the
# only other files left are its temporary files, whose names neither program
# reads, and the level loads without a message afterwards.
source "$E2E_LIB"
e2e_setup
cd "$WORK/level"

awk 'BEGIN {
    n = 30000
    printf "001 tiles.bmp %d", n
    for (i = 0; i < n; i++) printf " %d %d %d 1 0 0 32 32 0.5 0 0 0", i % 4, i * 32, (i % 7) * 32
    printf " 0 0 0 0\n"
}' > "$WORK/old"

# Opens the editor on map.txt and leaves it with Escape, which saves; it must
# end well without a message. $1 names the level for the failures.
open_and_save() {
    e2e_launch "$PLOTWRIGHT"
    e2e_wait_window
    e2e_hold Escape
    e2e_wait_exit
    [ "$APP_STATUS" = 0 ] || fail "the editor ended with status $APP_STATUS on $1"
    [ ! -s "$WORK/messages.log" ] || fail "$1 gave messages"
}

# The new level: the same tiles as the editor writes them.
cp "$WORK/old" map.txt
open_and_save "the large level"
cp map.txt "$WORK/new"
cmp -s "$WORK/old" "$WORK/new" && fail "the saved level has the old layout; the test cannot tell them apart"

old=0 new=0 temporaries=0
for delay in 0 0.003 0.005 0.006 0.007 0.008 0.009 0.01 0.011 0.012 0.014 0.017 0.02 0.03 0.05 0.1; do
    cp "$WORK/old" map.txt
    e2e_launch "$PLOTWRIGHT"
    e2e_wait_window
    xdotool keydown Escape
    sleep "$delay"
    kill -KILL "$APP_PID"
    xdotool keyup Escape
    wait "$APP_PID" 2> /dev/null
    APP_PID=""
    if cmp -s map.txt "$WORK/old"; then
        old=$((old + 1))
    elif cmp -s map.txt "$WORK/new"; then
        new=$((new + 1))
    else
        fail "killed after ${delay}s: map.txt is neither level whole ($(wc -c < map.txt) bytes)"
    fi
    for name in *; do
        case $name in
            map.txt) ;;
            map.txt.[A-Za-z0-9][A-Za-z0-9][A-Za-z0-9][A-Za-z0-9][A-Za-z0-9][A-Za-z0-9])
                temporaries=$((temporaries + 1)); rm "$name" ;;
            *) fail "killed after ${delay}s: an unexpected file $name" ;;
        esac
    done
done
echo "killed 16 times: old level $old times, new level $new times, $temporaries temporary files left"

: > "$WORK/messages.log"
open_and_save "the level left by the kills"
echo "ok"
