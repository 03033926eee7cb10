#!/usr/bin/env bash
# The texture gallery streams its pictures through the ".mips" cache. The first
# run finds no cache: it loads every picture in full and writes one cache file per
# picture. The second run reads those files (left untouched) and starts every
# texture at one texel, the placeholder: held there (--hold) each tile
# is flat in the picture's mean colour; streaming on, the tiles sharpen to the
# very pictures of the first run. A third run without one picture outlines its
# tile and shows the others.
source "$(dirname "$0")/example_lib.bash"
example_setup "$1" "$2" "ZNEngine - Texture gallery"

PICTURES=(Checker Rings Stripes Grid)

# Tile i (0..3) of the 800 x 450 window, 10 pixels inside its edges, as fractions.
tile() {
    awk -v i="$1" 'BEGIN { x0 = 35 + 190 * i + 10; printf "%f %f %f %f", x0 / 800, 120 / 450, (x0 + 140) / 800, 260 / 450 }'
}

cache_times() {
    local p
    for p in "${PICTURES[@]}"; do
        stat -c "%n %y %s" "$DATA/Gallery/$p.png.mips" 2>/dev/null || echo "$p.png.mips missing"
    done
}

ls "$DATA"/Gallery/*.mips >/dev/null 2>&1 && fail "the copied Data/ already holds cache files"

# First run: full size at once, cache written.
WORLD_ARGS=(--width 800 --height 450)
world_start "$EXAMPLE"
wait_for "Gallery/Grid.png at full size" 60
check "$(grep -c 'loaded at 128 x 128' "$OUT") == 4" "the first run did not load every picture in full"
world_shot example_gallery_first.png
world_close
for p in "${PICTURES[@]}"; do
    [ -s "$DATA/Gallery/$p.png.mips" ] || fail "no cache file for $p.png after the first run"
done
before="$(cache_times)"
echo "$before"

first="$SHOTS/example_gallery_first.png"
declare -a means
for i in 0 1 2 3; do
    sd="$(grey_deviation "$first" $(tile $i))"
    means[$i]="$(region_mean "$first" $(tile $i))"
    echo "first run, ${PICTURES[$i]}: deviation $sd, mean ${means[$i]}"
    check "$sd > 0.1" "tile ${PICTURES[$i]} of the first run is not the picture ($sd)"
done

# Second run, held at the placeholder.
sleep 1.1   # a rewritten cache file would get a later time
WORLD_ARGS=(--width 800 --height 450 --hold)
world_start "$EXAMPLE"
check "$(grep -c 'loaded at 1 x 1' "$OUT") == 4" "the second run did not start from the cache's smallest level"
world_shot example_gallery_placeholder.png
held="$SHOTS/example_gallery_placeholder.png"
for i in 0 1 2 3; do
    sd="$(grey_deviation "$held" $(tile $i))"
    read -r r g b <<<"$(region_mean "$held" $(tile $i))"
    read -r r1 g1 b1 <<<"${means[$i]}"
    echo "placeholder, ${PICTURES[$i]}: deviation $sd, mean $r $g $b"
    check "$sd < 0.02" "tile ${PICTURES[$i]} is not a flat placeholder ($sd)"
    check "($r - $r1) ^ 2 + ($g - $g1) ^ 2 + ($b - $b1) ^ 2 < 0.01" \
        "the placeholder of ${PICTURES[$i]} is not the picture's mean colour ($r $g $b against ${means[$i]})"
done
grep -q "at full size" "$OUT" && fail "a texture streamed while gallery_stream was 0"

# Streaming on: the pictures arrive level by level from the cache.
world_focus
toggle_console
console_line "gallery_stream 1"
toggle_console
for p in "${PICTURES[@]}"; do
    wait_for "Gallery/$p.png at full size" 60
done
world_wait_frames
world_shot example_gallery_streamed.png
diff="$(picture_difference "$first" "$SHOTS/example_gallery_streamed.png")"
echo "streamed against the first run: $diff"
check "$diff < 0.01" "the streamed pictures differ from the pictures loaded in full ($diff)"
world_close

grep -q "rebuilt" "$OUT" && fail "the second run rebuilt a cache"
after="$(cache_times)"
[ "$before" = "$after" ] || fail "the cache files changed in the second run: $before / $after"

# A picture gone: its tile is an empty outline (not whatever unit 0 held last),
# the others still show, and the program ends normally.
rm -f "$DATA/Gallery/Grid.png" "$DATA/Gallery/Grid.png.mips"
WORLD_ARGS=(--width 800 --height 450)
world_start "$EXAMPLE"
wait_for "Gallery/Grid.png did not load" 30
wait_for "Gallery/Stripes.png at full size" 60
world_wait_frames
world_shot example_gallery_missing.png
missing="$SHOTS/example_gallery_missing.png"
sd="$(grey_deviation "$missing" $(tile 3))"
read -r r g b <<<"$(region_mean "$missing" $(tile 3))"
echo "missing picture's tile: deviation $sd, mean $r $g $b"
check "$sd < 0.02 && ($r - 0.12) ^ 2 + ($g - 0.12) ^ 2 + ($b - 0.14) ^ 2 < 0.001" \
    "the tile of the missing picture is not empty ($sd; $r $g $b)"
sd="$(grey_deviation "$missing" $(tile 0))"
check "$sd > 0.1" "the other pictures did not show beside the missing one ($sd)"
world_close
echo "PASS"
