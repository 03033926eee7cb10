# Shared by the example programs' end-to-end scripts (sourced, not a test itself).
# Builds on world_lib.bash (start, screenshots, close, waits, console typing) and adds:
#
#   example_setup "$1" "$2" TITLE   program path, screenshot folder, window title;
#                                   copies the program and its Data/ into $WORK, so a
#                                   run may change its files ($EXAMPLE, $DATA)
#   text_box file R G B             bounding box "w h x y" of the pixels within 0.2 of
#                                   the colour (r g b in 0..1); "0 0 0 0" when none
#   grey_deviation file x0 y0 x1 y1 standard deviation of the grey level of a region

source "$(dirname "${BASH_SOURCE[0]}")/world_lib.bash"

example_setup() {
    world_setup "$1" "$2"
    WORLD_TITLE="$3"
    local dir
    dir="$(dirname "$PROGRAM")"
    [ -d "$dir/Data" ] || fail "no Data/ beside $PROGRAM"
    cp "$PROGRAM" "$WORK/" || fail "cannot copy the program"
    cp -r "$dir/Data" "$WORK/Data" || fail "cannot copy Data/"
    EXAMPLE="$WORK/$(basename "$PROGRAM")"
    DATA="$WORK/Data"
    OUT="$WORK/stdout.txt"
}

text_box() {
    local file="$1" r="$2" g="$3" b="$4" box
    box="$(convert "$file" -fx "(abs(r - $r) < 0.2 && abs(g - $g) < 0.2 && abs(b - $b) < 0.2) ? 1 : 0" \
        -format "%@" info: 2>/dev/null)"
    # %@ of an all-black picture is a box of the whole picture's extent, 0 x 0 or
    # 1 x 1 at the corner: count the marked pixels to tell "none" apart.
    local count
    count="$(convert "$file" -fx "(abs(r - $r) < 0.2 && abs(g - $g) < 0.2 && abs(b - $b) < 0.2) ? 1 : 0" \
        -format "%[fx:mean * w * h]" info: 2>/dev/null)"
    if awk -v c="$count" 'BEGIN { exit !(c < 1) }'; then
        echo "0 0 0 0"
        return
    fi
    echo "$box" | sed -E 's/([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)/\1 \2 \3 \4/'
}

grey_deviation() {
    local file="$1"
    convert "$file" -crop "$(geometry "$file" "$2" "$3" "$4" "$5")" +repage -colorspace gray \
        -format "%[fx:standard_deviation]" info:
}
