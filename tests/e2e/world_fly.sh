#!/usr/bin/env bash
# Holding W flies forward along the view (45 degrees down towards the lake): the
# picture changes and the lake in the middle grows. Dragging with the right button
# held and the mouse moving up turns the view up: terrain leaves the upper half of
# the picture and the sky fills it, and at the release the pointer is back where
# the drag began (held in relative mode meanwhile, never left at the centre).
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
world_start
world_focus
world_shot world_fly_0.png

# Water-blue pixels in the middle band: the lake seen from above.
blue_fraction() {
    convert "$1" -crop "$(geometry "$1" 0.2 0.3 0.8 0.9)" +repage -scale 25% \
        -fx "(b > r + 0.03 && b > g + 0.02) ? 1 : 0" -format "%[fx:mean]" info:
}

xdotool keydown w
sleep 1
xdotool keyup w
world_wait_frames
world_shot world_fly_1.png

diff="$(picture_difference "$SHOTS/world_fly_0.png" "$SHOTS/world_fly_1.png")"
before="$(blue_fraction "$SHOTS/world_fly_0.png")"
after="$(blue_fraction "$SHOTS/world_fly_1.png")"
echo "W: difference $diff, lake share $before -> $after"
check "$diff > 0.02" "holding W did not change the picture ($diff)"
check "$after > $before * 1.1" "flying forward did not bring the lake closer ($before -> $after)"

# Right-button drag upwards: look up.
green_before="$(green_fraction "$SHOTS/world_fly_1.png" 0.0 0.0 1.0 0.5)"
# Off the centre, so a pointer left at the centre is seen.
xdotool mousemove --window "$WID" 300 200
sleep 0.5
xdotool mousedown 3
sleep 1
# The pointer is held in relative mode: each step is a motion of 40 px up, 0.4 rad
# of pitch; at the release the pointer is back where the press found it.
for step in 1 2 3; do
    xdotool mousemove_relative -- 0 -40
    sleep 0.4
done
xdotool mouseup 3
sleep 0.5
eval "$(xdotool getmouselocation --shell)"
read -r wx wy < <(xdotool getwindowgeometry --shell "$WID" | awk -F= '/^X=/ { x = $2 } /^Y=/ { y = $2 } END { print x, y }')
echo "pointer after the drag: $((X - wx)) $((Y - wy)) in the window"
check "$((X - wx)) == 300 && $((Y - wy)) == 200" "the pointer was not put back where the drag began ($((X - wx)) $((Y - wy)))"
world_wait_frames
world_shot world_fly_2.png
diff="$(picture_difference "$SHOTS/world_fly_1.png" "$SHOTS/world_fly_2.png")"
green_after="$(green_fraction "$SHOTS/world_fly_2.png" 0.0 0.0 1.0 0.5)"
echo "drag: difference $diff, terrain share of the upper half $green_before -> $green_after"
check "$diff > 0.02" "the right-button drag did not change the picture ($diff)"
check "$green_after < $green_before * 0.7" "looking up did not lift the view off the terrain ($green_before -> $green_after)"

world_close
echo "PASS"
