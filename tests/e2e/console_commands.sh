#!/usr/bin/env bash
# The console as a working tool, typed into the real program: Tab completion and
# Up recall (seen in the program's output), cvarlist listing every variable, a
# screenshot that matches the window, map with a broken and then a good pair of
# images, W held while the console opens, and quit ending with exit code 0.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
WORLD_ARGS=(--width 512 --height 288)
world_start
world_focus
OUT="$WORK/stdout.txt"

# RMSE of the parts of two pictures below the console (the lower two thirds).
lower_difference() {
    convert "$1" -crop "$(geometry "$1" 0 0.34 1 1)" +repage "$WORK/a.png"
    convert "$2" -crop "$(geometry "$2" 0 0.34 1 1)" +repage "$WORK/b.png"
    picture_difference "$WORK/a.png" "$WORK/b.png"
}

toggle_console
# Tab completes "cvarl" to the only command starting so.
type_text "cvarl"
xdotool key Tab
xdotool key Return
wait_for " variables"
for v in cam_speed cam_fov in_mouse_sensitivity in_invert_y r_water_height r_haze vid_vsync vid_fullscreen r_stats; do
    grep -qE "^$v +[-0-9.e+]+ " "$OUT" || fail "cvarlist did not list $v"
done
count="$(grep -E '^[0-9]+ variables$' "$OUT" | tail -1 | cut -d' ' -f1)"
listed="$(awk '/^[a-z_]+ +[-0-9.e+]+ +.* \.\. |one of/' "$OUT" | wc -l)"
echo "cvarlist: $count variables, $listed lines with a range"
check "$count >= 9 && $listed == $count" "cvarlist listed $listed of $count variables"

# Up recalls the typed line.
console_line "echo recall-check"
wait_for "recall-check"
xdotool key Up
xdotool key Return
for i in $(seq 1 60); do
    [ "$(grep -cx 'recall-check' "$OUT")" -ge 2 ] && break
    sleep 0.5
done
[ "$(grep -cx 'recall-check' "$OUT")" -ge 2 ] || fail "Up did not recall the line"
echo "Tab completion and Up recall seen in the output"

# The screenshot matches the window (below the console, which the import shows too).
console_line "screenshot $WORK/console_shot.png"
wait_for "screenshot: $WORK/console_shot.png (512 x 288)"
world_shot console_window.png
cp "$WORK/console_shot.png" "$SHOTS/console_shot.png"
[ "$(identify -format '%w %h' "$WORK/console_shot.png")" = "512 288" ] || fail "screenshot size"
diff="$(lower_difference "$WORK/console_shot.png" "$SHOTS/console_window.png")"
echo "screenshot against the window: difference $diff"
check "$diff < 0.03" "the screenshot does not match the window ($diff)"

# map: a broken image is named and the world stays; another pair changes the terrain.
printf '\x89PNG\r\n\x1a\nnot really' > "$WORK/broken.png"
toggle_console
world_wait_frames
world_shot console_map_0.png
toggle_console
console_line "map Heightmap.png $WORK/broken.png"
wait_for "map: '$WORK/broken.png' is not a PNG file (no IHDR chunk at the start); the world stays as it was"
toggle_console
world_wait_frames
world_shot console_map_1.png
same="$(picture_difference "$SHOTS/console_map_0.png" "$SHOTS/console_map_1.png")"
toggle_console
console_line "map Colormap.png Heightmap.png"
wait_for "map: built from 'Colormap.png' and 'Heightmap.png'" 120
toggle_console
world_wait_frames
world_shot console_map_2.png
changed="$(picture_difference "$SHOTS/console_map_1.png" "$SHOTS/console_map_2.png")"
echo "map: broken pair difference $same, new pair difference $changed"
check "$same < 0.03" "the broken map changed the picture ($same)"
check "$changed > 0.05" "the new map did not change the terrain ($changed)"

# W held as the console opens: the camera must not fly on behind the console.
xdotool keydown w
sleep 0.3
xdotool key grave
world_wait_frames
world_shot console_w_0.png
sleep 2
world_shot console_w_1.png
xdotool keyup w
moved="$(lower_difference "$SHOTS/console_w_0.png" "$SHOTS/console_w_1.png")"
echo "W held with the console open: difference $moved"
check "$moved < 0.03" "the camera kept moving behind the open console ($moved)"

# quit ends the program exactly as closing the window does.
xdotool key Delete
console_line "quit"
for i in $(seq 1 120); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$PID" 2>/dev/null && fail "quit did not end the program"
wait "$PID"
code=$?
PID=""
[ "$code" -eq 0 ] || fail "quit ended with exit code $code"
echo "quit: exit code 0"
echo "PASS"
