#!/usr/bin/env bash
# The free camera example: the field of hills lies under the program's sky; W
# flies the camera forward (where says so, and the picture changes); an edit of
# the field's shader file shows without a restart (the tint turns the field red
# and leaves the sky alone); closing the window ends with exit 0.
source "$(dirname "$0")/example_lib.bash"
example_setup "$1" "$2" "ZNEngine - Free camera"
WORLD_ARGS=(--width 800 --height 450)
world_start "$EXAMPLE"
world_shot example_free_camera.png
shot="$SHOTS/example_free_camera.png"

read -r r g b <<<"$(region_mean "$shot" 0.0 0.0 1.0 0.08)"
echo "sky: $r $g $b"
check "($r - 0.45) ^ 2 + ($g - 0.6) ^ 2 + ($b - 0.85) ^ 2 < 0.002" "the top is not the program's sky ($r $g $b)"
field="$(green_fraction "$shot" 0.0 0.6 1.0 1.0)"
echo "green fraction of the lower part: $field"
check "$field > 0.6" "no green field at the bottom ($field)"
sd="$(grey_deviation "$shot" 0.0 0.5 1.0 1.0)"
echo "grey deviation of the field: $sd"
check "$sd > 0.04" "the field is flat ($sd)"
# The sun: slopes that face it come out near their full colour (unlit, the field
# would stay at the ambient third of it). The sky is masked out first.
lit="$(convert "$shot" -fuzz 5% -fill black -opaque "rgb(115,153,217)" -scale 25% -colorspace gray \
    -format "%[fx:maxima]" info:)"
echo "brightest slope: $lit"
check "$lit > 0.6" "no slope is lit by the sun ($lit)"

# The camera: where, W held for a second, where again.
world_focus
where_x() {
    grep -F "where:" "$OUT" | tail -1 | awk '{ print $2 }'
}
toggle_console
console_line "where"
wait_for "where:" 20
x0="$(where_x)"
toggle_console
xdotool keydown w
sleep 1.5
xdotool keyup w
world_wait_frames
world_shot example_free_camera_moved.png
toggle_console
console_line "where"
for i in $(seq 1 40); do
    [ "$(grep -cF "where:" "$OUT")" -ge 2 ] && break
    sleep 0.5
done
x1="$(where_x)"
toggle_console
echo "camera x: $x0 -> $x1"
check "$x1 > $x0 + 20" "W did not fly the camera forward along +X ($x0 -> $x1)"
moved="$(picture_difference "$shot" "$SHOTS/example_free_camera_moved.png")"
echo "difference after the flight: $moved"
check "$moved > 0.02" "the picture did not change as the camera flew ($moved)"

# Hot reload: the tint in the shader file turns the field red.
sleep 1.1   # a file time the program has not seen yet
sed -i 's/const vec3 Tint = vec3(1.0, 1.0, 1.0);/const vec3 Tint = vec3(1.0, 0.0, 0.0);/' "$DATA/Shaders/Field.shd"
grep -q "vec3(1.0, 0.0, 0.0)" "$DATA/Shaders/Field.shd" || fail "the edit of the shader file did not apply"
wait_for "Shader Shaders/Field.shd needs to be reloaded" 30
world_wait_frames
world_shot example_free_camera_red.png
red="$SHOTS/example_free_camera_red.png"
read -r r g b <<<"$(region_mean "$red" 0.0 0.7 1.0 1.0)"
echo "field after the edit: $r $g $b"
check "$r > 0.1 && $g < 0.02 && $b < 0.02" "the field did not turn red after the edit ($r $g $b)"
read -r r g b <<<"$(region_mean "$red" 0.0 0.0 1.0 0.08)"
check "($r - 0.45) ^ 2 + ($g - 0.6) ^ 2 + ($b - 0.85) ^ 2 < 0.002" "the sky changed with the field's shader ($r $g $b)"

world_close
echo "PASS"
