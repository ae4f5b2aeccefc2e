# Tilesets as image tools write them: ImageMagick's default bmp output has the
# long V5 info header, and an image with transparency is written as 32-bit
# bit fields. The real editor shows the tiles from either, not the outlines
# it draws when there is no tileset.
source "$E2E_LIB"
e2e_setup
cd "$WORK/level"
printf '%s\n' 001 tiles.bmp 1 1 100 100 1 0 0 32 32 0 0 0 0 0 0 0 0 > map.txt

for kind in plain transparent; do
    case $kind in
        plain) convert -size 32x32 xc:'rgb(40,90,160)' tiles.bmp ;;
        transparent) convert -size 32x32 xc:'rgba(40,90,160,1)' -alpha on tiles.bmp ;;
    esac
    e2e_launch "$PLOTWRIGHT"
    e2e_wait_window
    e2e_move 500 500
    e2e_shot "$WORK/$kind.png"
    e2e_hold Escape
    e2e_wait_exit
    [ "$APP_STATUS" = 0 ] || fail "$kind tileset: the editor ended with status $APP_STATUS"
    for corner in "100 100" "131 131"; do
        colour=$(e2e_pixel "$WORK/$kind.png" $corner)
        [ "$colour" = "40,90,160" ] || fail "$kind tileset ($(file -b tiles.bmp)): pixel ($corner) shows $colour"
    done
done
[ ! -s "$WORK/messages.log" ] || fail "unexpected messages"
echo "ok"
