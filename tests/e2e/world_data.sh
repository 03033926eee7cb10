#!/usr/bin/env bash
# The demo's images are made by the programs in tools/: running them again gives
# exactly the pixels of the files in data/ (so a changed tool without regenerated
# data, or a hand-edited image, is caught).
source "$(dirname "$0")/world_lib.bash"
[ -x "$1" ] || fail "program $1 not found"
tools="$(cd "$(dirname "$1")" && pwd)/tools"
data="$WORLD_ROOT/data"
WORK="$(mktemp -d)"
trap world_cleanup EXIT
for tool in make_terrain_maps make_world_textures; do
    [ -x "$tools/$tool" ] || fail "tool $tools/$tool not built"
    timeout 120 "$tools/$tool" "$WORK" >/dev/null || fail "$tool failed"
done
for image in Heightmap.png Colormap.png Ground.png WaterBump.png SkyDusk1.png; do
    [ -f "$WORK/$image" ] || fail "$image was not made"
    differing="$(compare -metric AE "$data/$image" "$WORK/$image" null: 2>&1)"
    echo "$image: $differing pixels differ"
    [ "$differing" = "0" ] || fail "$image in data/ is not what the tools make ($differing pixels differ)"
done
echo "PASS"
