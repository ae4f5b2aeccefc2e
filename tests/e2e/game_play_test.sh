# Playing Tarrow: the walker patrols its pen, holding Right runs the player
# across the screen with the camera following, Space makes it jump and land.
#
# The level (camera at its start (-100, -100), so world (x, y) shows at
# (x + 100, y + 100) until the player moves it):
#   layer 0: the red player at (100, 300) on a green floor at y = 332 from
#            x = -192 to 2016;
#   layer 1: a blue walker in a pen: a floor at y = 150 from x = 0 to 320
#            with walls at x = 0 and x = 320;
#   layer 2: a yellow marker block at (300, 250), which only the camera moves.
# Sprites are found in screenshots by their colour's bounding box.
source "$E2E_LIB"
e2e_setup

cd "$WORK/level"
convert -size 128x32 xc:red -fill lime -draw 'rectangle 32,0 63,31' \
    -fill blue -draw 'rectangle 64,0 95,31' -fill yellow -draw 'rectangle 96,0 127,31' \
    BMP3:tiles.bmp
block() { echo "1 $1 $2 1 32 0 32 32 0 0 0 0"; }
{
    echo 001 tiles.bmp
    echo 70
    echo "0 100 300 4 0 0 32 32 0 0 32 32 0 0 32 32 0 0 32 32 0 0 0 0"
    for i in $(seq 0 68); do block $((-192 + 32 * i)) 332; done
    echo 14
    for i in $(seq 0 10); do block $((32 * i)) 150; done
    block 0 118
    block 320 118
    echo "2 150 118 3 64 0 32 32 64 0 32 32 64 0 32 32 1 0 0 1"
    echo 1
    echo "1 300 250 1 96 0 32 32 0 0 0 0"
    echo 0
    echo 0
} > map.txt

# Prints "x y w h" of the pixels of colour $2 (r,g,b) in screenshot $1, or
# "0 0 0 0" when there is none.
sprite_box() {
    local l t r b
    read -r l t r b <<< "$(e2e_colour_box "$1" "$2")"
    [ -n "$l" ] || { echo 0 0 0 0; return; }
    echo "$l $t $((r - l + 1)) $((b - t + 1))"
}

red=255,0,0
blue=0,0,255
yellow=255,255,0

e2e_launch "$TARROW"
e2e_wait_window
sleep 1

# The walker walks between the pen's walls (screen x 132 to 420).
walker_xs=""
for i in 1 2 3 4; do
    e2e_shot "$WORK/walker$i.png"
    read -r x y w h <<< "$(sprite_box "$WORK/walker$i.png" $blue)"
    [ "$w" = 32 ] && [ "$h" = 32 ] || fail "walker not seen whole in walker$i.png ($w x $h)"
    [ "$x" -ge 132 ] && [ $((x + w)) -le 420 ] || fail "walker left its pen: x = $x"
    [ "$y" -ge 217 ] && [ "$y" -le 218 ] || fail "walker not on its floor: y = $y"
    walker_xs="$walker_xs $x"
    sleep 0.3
done
[ "$(echo $walker_xs | tr ' ' '\n' | sort -u | wc -l)" -ge 2 ] ||
    fail "the walker did not move: x =$walker_xs"

e2e_shot "$WORK/start.png"
read -r px py pw ph <<< "$(sprite_box "$WORK/start.png" $red)"
read -r mx my mw mh <<< "$(sprite_box "$WORK/start.png" $yellow)"
[ "$px $py $pw $ph" = "200 400 32 32" ] || fail "player not at its start: $px $py $pw $ph"
[ "$mx $my" = "400 350" ] || fail "marker not at its start: $mx $my"

# Three seconds of Right: about 700 px of running. The player's corner stops
# a little past 3/4 of the width (600) and the camera carries the scenery left.
e2e_hold Right 3
sleep 1
e2e_shot "$WORK/ran.png"
read -r px py pw ph <<< "$(sprite_box "$WORK/ran.png" $red)"
read -r mx my mw mh <<< "$(sprite_box "$WORK/ran.png" $yellow)"
[ "$pw" = 32 ] || fail "player not seen after running ($pw x $ph)"
[ "$px" -ge 600 ] && [ "$px" -le 680 ] || fail "player not held near 3/4 of the width: x = $px"
[ "$py" = 400 ] || fail "player left the floor: y = $py"
[ "$mw" = 0 ] || [ "$mx" -le 300 ] || fail "the camera did not follow: marker still at x = $mx"
travelled=$((px - mx + 200))  # world distance: the marker stands at 300, the player began at 100
[ "$mw" = 0 ] || [ "$travelled" -ge 400 ] || fail "the player ran only $travelled px"

# Space: the sprite rises (a jump of -400 px/s under 981 px/s^2 peaks about
# 80 px up after 0.4 s) and lands on the floor again.
rest_y=$py
highest=$py
xdotool keydown space
sleep 0.1
xdotool keyup space
for i in $(seq 1 8); do
    e2e_shot "$WORK/jump$i.png"
    read -r jx jy jw jh <<< "$(sprite_box "$WORK/jump$i.png" $red)"
    [ "$jw" = 32 ] && [ "$jy" -lt "$highest" ] && highest=$jy
    sleep 0.05
done
[ $((rest_y - highest)) -ge 30 ] || fail "no jump seen: highest y $highest, standing y $rest_y"
sleep 1.5
e2e_shot "$WORK/landed.png"
read -r lx ly lw lh <<< "$(sprite_box "$WORK/landed.png" $red)"
[ "$lw $ly" = "32 $rest_y" ] || fail "player did not land again: y = $ly, standing y $rest_y"
[ "$lx" = "$px" ] || fail "a straight jump moved the player sideways: x $px -> $lx"

e2e_hold Escape
e2e_wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "Escape ended the game with status $APP_STATUS"
[ ! -s "$WORK/messages.log" ] || fail "the level showed a message"
echo "ok"
