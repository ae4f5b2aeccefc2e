# Tarrow draws tilesets as today's image tools write them: ImageMagick's
# default bmp form (the 124-byte V5 header, as GIMP writes it too) and a
# pcx file named in capitals. The tileset is a red square with
# a magenta (mask colour) corner, then a green square. Layer 0 holds a red
# block at (100, 200), copied opaquely, and an entity of type 5 at
# (300, 200) drawn from the same square with the mask left out. With no
# player the camera stays at (-100, -100): world (x, y) shows at
# (x + 100, y + 100).
source "$E2E_LIB"
source "$SOURCE_DIR/tests/e2e/game_lib.sh"
e2e_setup
cd "$WORK/level"

convert -size 64x32 xc:red -fill magenta -draw 'rectangle 0,0 7,7' \
    -fill lime -draw 'rectangle 32,0 63,31' "$WORK/tiles.png"
convert "$WORK/tiles.png" tiles.bmp
convert "$WORK/tiles.png" TILES.PCX
file tiles.bmp | grep -q "Windows 98/2000 and newer format" ||
    fail "ImageMagick no longer writes the V5 header here: $(file tiles.bmp)"

red=255,0,0
magenta=255,0,255
black=0,0,0
for name in tiles.bmp TILES.PCX; do
    printf '%s\n' 001 "$name" \
        2 1 100 200 1 0 0 32 32 0 0 0 0 \
          5 300 200 1 0 0 32 32 0 0 0 0 \
        0 0 0 0 > map.txt
    e2e_launch "$TARROW"
    e2e_wait_window
    sleep 0.5
    shot="$WORK/${name%.*}.png"
    e2e_shot "$shot"
    expect_pixel "$shot" 200 300 $magenta "$name: the block's corner, copied with the mask colour"
    expect_pixel "$shot" 231 331 $red "$name: the block's bottom-right corner"
    expect_pixel "$shot" 400 300 $black "$name: the masked sprite's corner, left out"
    expect_pixel "$shot" 431 331 $red "$name: the masked sprite's bottom-right corner"
    e2e_hold Escape
    e2e_wait_exit
    [ "$APP_STATUS" -eq 0 ] || fail "$name: Escape ended the game with status $APP_STATUS"
done
[ ! -s "$WORK/messages.log" ] || fail "a well-formed level showed a message"
echo "ok"
