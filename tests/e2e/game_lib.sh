# Helpers shared by the game's end-to-end scripts; source after lib.sh.

# Writes a 64 x 32 tileset into the current folder: a red square, then a green one.
game_tileset() {
    convert -size 64x32 xc:red -fill lime -draw 'rectangle 32,0 63,31' BMP3:tiles.bmp
}

# Fails unless pixel ($2, $3) of image $1 has the colour $4 (r,g,b); $5 says what it is.
expect_pixel() {
    local seen
    seen=$(e2e_pixel "$1" "$2" "$3")
    [ "$seen" = "$4" ] || fail "pixel ($2, $3) is $seen, not $4: $5"
}

# Prints the W x H area at ($2, $3) of image $1 as rows of '#' (light) and '.' (dark).
ascii_art() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace gray -threshold 50% \
        -compress none pbm:- | tail -n +3 | tr -cd '01' | tr 01 '#.' | fold -w "$4"
    echo
}

# Fails unless the top-left corner of image $1 shows the frame-rate label "FPS: ".
expect_fps_label() {
    local seen
    seen=$(ascii_art "$1" 0 0 40 8)
    [ "$seen" = "$(cat "$SOURCE_DIR/tests/e2e/fixtures/fps_label.txt")" ] ||
        fail "no \"FPS: \" at the top-left corner; it shows:
$seen"
}
