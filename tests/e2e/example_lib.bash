# Shared by the example programs' end-to-end scripts (sourced, not a test itself).
# Builds on world_lib.bash (start, screenshots, close, waits, console typing) and adds:
#
#   example_setup "$1" "$2" TITLE   program path, screenshot folder, window title;
#                                   copies the program and its Data/ into $WORK, so a
#                                   run may change its files ($EXAMPLE, $DATA)
#   text_box file R G B             bounding box "w h x y" of the pixels near the colour
#                                   (r g b in 0..1); "0 0 0 0" when there are none
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
    local file="$1" colour box count
    colour="$(awk -v r="$2" -v g="$3" -v b="$4" 'BEGIN { printf "rgb(%d,%d,%d)", r * 255, g * 255, b * 255 }')"
    # The pixels near the colour turn white, all others black; %@ is the box of the
    # white ones. Without any, %@ is a box of the whole picture: count them first.
    read -r box count < <(convert "$file" -fuzz 20% -fill white -opaque "$colour" -fill black +opaque white \
        -format "%@ %[fx:mean * w * h]" info: 2>/dev/null)
    if awk -v c="${count:-0}" 'BEGIN { exit !(c < 1) }'; then
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
