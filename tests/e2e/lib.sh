# Shared helpers for the end-to-end scripts: a private X server, a fresh
# working folder, the real program started in it, real keys and mouse
# through xdotool, screenshots and pixels through ImageMagick.
#
# Every wait has a deadline; on failure `fail` prints what was seen.
# Source this file, then call e2e_setup once.

set -u

E2E_DEADLINE=${E2E_DEADLINE:-15}

# Starts Xvfb on a free display, makes $WORK with an xmessage stand-in that
# appends every message box text to $WORK/messages.log and answers OK.
e2e_setup() {
    WORK=$(mktemp -d /tmp/e2e.XXXXXX)
    mkdir -p "$WORK/shim" "$WORK/level"
    cat > "$WORK/shim/xmessage" <<EOF
#!/bin/sh
for a; do last="\$a"; done
printf '%s' "\$last" >> "$WORK/messages.log"
exit 0
EOF
    chmod +x "$WORK/shim/xmessage"
    : > "$WORK/messages.log"

    exec 9> "$WORK/display"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset > "$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 9>&-
    local end=$((SECONDS + E2E_DEADLINE))
    while [ ! -s "$WORK/display" ]; do
        [ $SECONDS -lt $end ] || fail "Xvfb did not start"
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$WORK/display")"
    until xdpyinfo > /dev/null 2>&1; do
        [ $SECONDS -lt $end ] || fail "Xvfb on $DISPLAY does not answer"
        sleep 0.1
    done
    APP_PID=""
    trap e2e_cleanup EXIT
}

e2e_cleanup() {
    # Allegro's own SIGTERM handler can hang the program, so it is killed outright.
    [ -n "${APP_PID:-}" ] && kill -KILL "$APP_PID" 2> /dev/null
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2> /dev/null
    wait 2> /dev/null
    [ "${E2E_KEEP:-0}" = 1 ] || rm -rf "$WORK"
}

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${WORK:-}" ]; then
        echo "--- messages shown:" >&2; cat "$WORK/messages.log" >&2 2> /dev/null
        echo "--- program output:" >&2; cat "$WORK/app.out" >&2 2> /dev/null
        if [ -n "${DISPLAY:-}" ] && import -display "$DISPLAY" -window root "$WORK/failure.png" 2> /dev/null; then
            E2E_KEEP=1
            echo "--- screenshot: $WORK/failure.png" >&2
        fi
    fi
    exit 1
}

# Starts a program (path in $1) in $WORK/level with the xmessage stand-in first in PATH.
e2e_launch() {
    (cd "$WORK/level" && PATH="$WORK/shim:$PATH" exec "$1") > "$WORK/app.out" 2>&1 &
    APP_PID=$!
}

# Waits for the program's window to be mapped; sets WIN.
e2e_wait_window() {
    local end=$((SECONDS + E2E_DEADLINE))
    WIN=""
    while [ -z "$WIN" ]; do
        kill -0 "$APP_PID" 2> /dev/null || fail "the program ended before its window appeared"
        [ $SECONDS -lt $end ] || fail "no window within ${E2E_DEADLINE}s"
        WIN=$(xdotool search --onlyvisible --name . 2> /dev/null | head -n1)
        sleep 0.1
    done
    sleep 0.5
}

# Waits until the program ends; sets APP_STATUS.
e2e_wait_exit() {
    local end=$((SECONDS + ${1:-$E2E_DEADLINE}))
    while kill -0 "$APP_PID" 2> /dev/null; do
        [ $SECONDS -lt $end ] || fail "the program did not end within ${1:-$E2E_DEADLINE}s"
        sleep 0.1
    done
    APP_STATUS=0
    wait "$APP_PID" || APP_STATUS=$?
    APP_PID=""
}

# Holds a key long enough for a polling frame loop to see it.
e2e_hold() {
    xdotool keydown "$1"; sleep "${2:-0.2}"; xdotool keyup "$1"; sleep 0.1
}

e2e_move() {
    xdotool mousemove --window "$WIN" "$1" "$2"; sleep 0.1
}

# Clicks button $1 (1 left, 3 right) at window pixel ($2, $3).
e2e_click() {
    e2e_move "$2" "$3"
    xdotool mousedown "$1"; sleep 0.15; xdotool mouseup "$1"; sleep 0.15
}

e2e_shot() {
    import -display "$DISPLAY" -window root "$1" || fail "screenshot failed"
}

# Prints the colour of pixel ($2, $3) of image $1 as r,g,b.
e2e_pixel() {
    local p="p{$2,$3}"
    convert "$1" -format "%[fx:round(255*$p.r)],%[fx:round(255*$p.g)],%[fx:round(255*$p.b)]" info:
}

# Prints how many pixels of the W x H area at ($2, $3) of image $1 are pure white.
e2e_white_pixels() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -fill black +opaque "rgb(255,255,255)" \
        -format '%[fx:round(mean*w*h)]' info:
}

# Prints "left top right bottom" of the pixels of image $1 with exactly the
# colour $2 (r,g,b), or nothing when no pixel has it.
e2e_colour_box() {
    local found
    found=$(convert "$1" -fill black +opaque "rgb($2)" -fill white -opaque "rgb($2)" \
        -format '%[fx:maxima.r] %@' info: 2> /dev/null)
    [ "${found%% *}" = 1 ] || return 0
    echo "${found#* }" | sed -E 's/([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)/\3 \4 \1 \2/' |
        { read -r x y w h; echo "$x $y $((x + w - 1)) $((y + h - 1))"; }
}

# Prints "VmRSS VmData VmSize" of process $1 in kB, or nothing once it has ended.
e2e_memory() {
    awk '/^VmRSS:/ { rss = $2 } /^VmData:/ { data = $2 } /^VmSize:/ { size = $2 }
         END { if (rss != "") print rss, data, size }' "/proc/$1/status" 2> /dev/null
}

# Checks a memory series for growth: file $1 holds lines "seconds rss data
# size" (kB). Samples before second $2 are warm-up. Of the rest, the largest
# RSS and data size of the last third may exceed those of the first third by
# at most $3 kB. Prints both maxima; returns non-zero on growth.
e2e_memory_flat() {
    awk -v warm_up="$2" -v slack="$3" '
        $1 >= warm_up { n++; rss[n] = $2; data[n] = $3 }
        function max_of(a, from, to,   i, m) {
            m = a[from]; for (i = from + 1; i <= to; i++) if (a[i] > m) m = a[i]; return m
        }
        END {
            if (n < 3) { print "too few samples after the warm-up: " n; exit 2 }
            third = int(n / 3)
            first_rss = max_of(rss, 1, third); last_rss = max_of(rss, n - third + 1, n)
            first_data = max_of(data, 1, third); last_data = max_of(data, n - third + 1, n)
            printf "%s samples after the warm-up; largest VmRSS first third %s kB, last third %s kB; largest VmData first third %s kB, last third %s kB (slack %s kB)\n",
                n, first_rss, last_rss, first_data, last_data, slack
            exit (last_rss > first_rss + slack || last_data > first_data + slack) ? 1 : 0
        }' "$1"
}
