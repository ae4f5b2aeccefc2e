# The demo level's bundled files are what our tools make, byte for byte:
# levels/demo/tileset.bmp from make_tileset and levels/demo/map.txt from
# make_demo_level. A change to either tool must come with the files it makes.
set -u
tools="$(dirname "$TARROW")/../tools"
demo="$SOURCE_DIR/levels/demo"
work=$(mktemp -d /tmp/demo_assets.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$tools/make_tileset" "$work/tileset.bmp" || fail "make_tileset did not run"
cmp -s "$work/tileset.bmp" "$demo/tileset.bmp" ||
    fail "levels/demo/tileset.bmp is not what make_tileset draws: run ./run tileset"
"$tools/make_demo_level" "$work/map.txt" || fail "make_demo_level did not run"
cmp -s "$work/map.txt" "$demo/map.txt" ||
    fail "levels/demo/map.txt is not what make_demo_level writes: run it on that file"
