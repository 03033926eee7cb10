#!/usr/bin/env bash
# The first example: the greeting is drawn with the debug font in the middle of
# the window over the program's own background colour; the console opens, its
# variable hello_size makes the text bigger and its command greet changes it;
# closing the window ends with exit 0.
source "$(dirname "$0")/example_lib.bash"
example_setup "$1" "$2" "ZNEngine - First window"
WORLD_ARGS=(--width 800 --height 450)
world_start "$EXAMPLE"
world_shot example_first_window.png
shot="$SHOTS/example_first_window.png"

read -r r g b <<<"$(region_mean "$shot" 0.0 0.85 0.15 1.0)"
echo "background: $r $g $b"
check "$r > 0.03 && $r < 0.08 && $g > 0.08 && $g < 0.13 && $b > 0.17 && $b < 0.23" \
    "the corner is not the program's background colour ($r $g $b)"

read -r w h x y <<<"$(text_box "$shot" 1.0 0.85 0.2)"
echo "greeting: ${w} x ${h} at $x $y"
check "$h >= 16 && $h <= 40 && $w >= 150" "no greeting of 32-pixel text ($w x $h)"
check "($x + $w / 2 - 400) ^ 2 < 100 && ($y + $h / 2 - 225) ^ 2 < 100" "the greeting is not centred ($x $y)"

world_focus
toggle_console
world_shot example_first_window_console.png
read -r r g b <<<"$(region_mean "$SHOTS/example_first_window_console.png" 0.0 0.0 1.0 0.2)"
echo "console area: $r $g $b"
check "($r - 0.05) ^ 2 + ($g - 0.1) ^ 2 + ($b - 0.2) ^ 2 > 0.0004" "the console did not open"
console_line "hello_size 64"
wait_for "hello_size = 64" 20
console_line "greet Tester"
wait_for "Hello, Tester!" 20
toggle_console
world_wait_frames
world_shot example_first_window_bigger.png
read -r w2 h2 x2 y2 <<<"$(text_box "$SHOTS/example_first_window_bigger.png" 1.0 0.85 0.2)"
echo "greeting after the console lines: ${w2} x ${h2} at $x2 $y2"
check "$h2 > 1.6 * $h && $h2 < 2.4 * $h" "hello_size 64 did not double the text's height ($h -> $h2)"
# "Hello, Tester!" is two characters shorter than "Hello, ZNEngine!": at twice the
# size it is wider, but by less than twice.
check "$w2 > 1.3 * $w && $w2 < 1.95 * $w" "the greeting did not change as greet asked ($w -> $w2)"

world_close
echo "PASS"
