#!/usr/bin/env bash
# After start the window shows the dusk sky along the top, green terrain on both
# sides and the lake's water in the middle; closing the window ends with exit 0.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
world_start
world_shot world_start.png
shot="$SHOTS/world_start.png"

read -r r g b <<<"$(region_mean "$shot" 0.0 0.0 1.0 0.06)"
echo "sky band: $r $g $b"
check "$r > 0.45 && $r > $b" "the top band is not a warm dusk sky ($r $g $b)"

left="$(green_fraction "$shot" 0.0 0.6 0.3 1.0)"
right="$(green_fraction "$shot" 0.7 0.6 1.0 1.0)"
echo "green fraction: left $left right $right"
check "$left > 0.5 && $right > 0.5" "no green terrain at the bottom corners ($left, $right)"

read -r r g b <<<"$(region_mean "$shot" 0.44 0.48 0.56 0.58)"
echo "lake: $r $g $b"
check "$b > $r && $b > $g" "the middle is not blue water ($r $g $b)"

# Not a flat picture: the terrain has texture.
sd="$(convert "$shot" -colorspace gray -format "%[fx:standard_deviation]" info:)"
echo "grey deviation: $sd"
check "$sd > 0.05" "the picture is nearly flat ($sd)"

world_close
echo "PASS"
