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
