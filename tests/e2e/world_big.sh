#!/usr/bin/env bash
# A 1024 x 1024 world (1,048,576 sprites) from 1024 x 1024 maps, made here with the
# repository's map tool in a copy of the data folder: the program builds it, says
# how long that took, shows terrain, flies forward with W, reports its peak memory
# and closes with exit code 0.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
tool="$(dirname "$PROGRAM")/tools/make_terrain_maps"
[ -x "$tool" ] || fail "map tool $tool not built"
mkdir -p "$WORK/app" || fail "cannot make $WORK/app"
cp "$PROGRAM" "$WORK/app/" || fail "cannot copy the program"
cp -r "$(dirname "$PROGRAM")/Data" "$WORK/app/Data" || fail "cannot copy the data folder"
timeout 120 "$tool" "$WORK/app/Data" 1024 >/dev/null || fail "the map tool failed"
[ "$(identify -format "%w %h" "$WORK/app/Data/Heightmap.png")" = "1024 1024" ] || fail "the height map is not 1024 x 1024"

WORLD_ARGS=(--grid 1024)
world_start "$WORK/app/$(basename "$PROGRAM")"
built="$(grep -m1 "^Voxel world:" "$WORK/stdout.txt")"
echo "$built"
echo "$built" | grep -q "1024 x 1024 sprites" || fail "the program did not report a 1024 x 1024 world: '$built'"

world_focus
world_shot world_big_0.png
# Start-up is said once, and it takes in the build.
shown="$(grep "^First frame shown" "$WORK/stdout.txt")"
echo "$shown"
[ "$(echo "$shown" | grep -c .)" = 1 ] || fail "not one start-up line: '$shown'"
seconds="$(echo "$shown" | sed -n 's/^First frame shown \([0-9.]*\) s after start$/\1/p')"
build="$(echo "$built" | sed -n 's/.*built in \([0-9.]*\) s$/\1/p')"
check "${seconds:-0} >= ${build:-1} && ${seconds:-0} < 120" "start to first frame ${seconds:-?} s is not the build (${build:-?} s) and more"
green="$(green_fraction "$SHOTS/world_big_0.png" 0.0 0.5 1.0 1.0)"
echo "terrain share of the lower half: $green"
check "$green > 0.3" "no terrain in the lower half of the 1024 x 1024 world ($green)"

xdotool keydown w
sleep 2
xdotool keyup w
world_wait_frames
world_shot world_big_1.png
diff="$(picture_difference "$SHOTS/world_big_0.png" "$SHOTS/world_big_1.png")"
echo "W: difference $diff"
check "$diff > 0.02" "holding W did not move the camera over the 1024 x 1024 world ($diff)"

# The software renderer's own share (about 215 MiB with the 400 x 400 world, more
# while it bins many triangles) comes on top of the world's ~250 MiB; the guard
# catches a world that keeps a second copy of its vertices.
peak="$(awk '/^VmHWM:/ { print $2 }' "/proc/$PID/status")"
echo "peak memory: $((peak / 1024)) MiB"
# AddressSanitizer's shadow memory and quarantine roughly double the figure, so
# the guard holds only for a build without it. The list is read whole before it
# is searched: with pipefail, grep -q leaving early can kill ldd with SIGPIPE and
# turn a found library into a failed test.
libraries="$(ldd "$PROGRAM" 2>/dev/null)"
if [[ "$libraries" == *libasan* ]]; then
    echo "peak memory not checked: AddressSanitizer build"
else
    check "$peak < 800 * 1024" "peak memory $((peak / 1024)) MiB is over 800 MiB"
fi

world_close
echo "PASS"
