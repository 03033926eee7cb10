#!/usr/bin/env bash
# With "Heightmap.png" missing from (a copy of) the data folder the world has no
# terrain: the program still runs and shows the sky above and the water below,
# without a single patch of green.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
dir="$(dirname "$PROGRAM")"
[ -d "$dir/Data" ] || fail "no Data folder beside $PROGRAM"
mkdir -p "$WORK/copy"
cp "$PROGRAM" "$WORK/copy/" || fail "cannot copy the program"
cp -r "$dir/Data" "$WORK/copy/Data" || fail "cannot copy Data"
rm -f "$WORK/copy/Data/Heightmap.png" "$WORK/copy/Data/"*.mips
world_start "$WORK/copy/$(basename "$PROGRAM")"
world_shot world_noheightmap.png
shot="$SHOTS/world_noheightmap.png"

green="$(green_fraction "$shot" 0.0 0.0 1.0 1.0)"
echo "green fraction: $green"
check "$green < 0.01" "terrain drawn although the height map is missing ($green)"

read -r r g b <<<"$(region_mean "$shot" 0.0 0.0 1.0 0.06)"
echo "sky band: $r $g $b"
check "$r > 0.45 && $r > $b" "the top band is not the dusk sky ($r $g $b)"

# Below the horizon: the water plane, darker and bluer than the sky band.
read -r wr wg wb <<<"$(region_mean "$shot" 0.0 0.5 1.0 1.0)"
echo "water: $wr $wg $wb"
check "$wb > $wr && $wb > $wg" "the lower half is not water ($wr $wg $wb)"

world_close
echo "PASS"
