#!/usr/bin/env bash
# Fullscreen and back, in the real program: whether or not the display grants
# the mode (a virtual display without a window manager does not), the picture the
# program draws and reads back is the size the window really has, with the
# console over its top, before a switch, after it and after switching back.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
WORLD_ARGS=(--width 480 --height 270)
world_start
world_focus
OUT="$WORK/stdout.txt"
toggle_console

# The window's size as the X server has it, "W x H".
real_size() {
    xwininfo -id "$WID" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { printf "%d x %d", w, h }'
}

# The program's own screenshot is the window's real size, and its top rows are
# the console's lower edge where the windowed start had it (a cropped picture
# moves it up or out of the picture).
check_size() {
    local n="$1" real shot
    console_line "screenshot $WORK/shot_$n.png"
    wait_for "screenshot: $WORK/shot_$n.png"
    real="$(real_size)"
    shot="$(grep -F "screenshot: $WORK/shot_$n.png" "$OUT" | tail -1 | sed -E 's/.*\(([0-9]+ x [0-9]+)\)$/\1/')"
    echo "$n: window $real, picture $shot"
    [ "$real" = "$shot" ] || fail "$n: the picture is $shot while the window is $real"
    cp "$WORK/shot_$n.png" "$SHOTS/fullscreen_$n.png"
    read -r r g b < <(region_mean "$WORK/shot_$n.png" 0.1 0.25 0.9 0.3)
    echo "$n: the console's lower edge $r $g $b"
    [ -n "${PANEL:-}" ] || PANEL="$r $g $b"
    check "$(echo "$PANEL $r $g $b" | awk '{ d = 0; for (i = 1; i <= 3; ++i) { x = $i - $(i + 3); d += x < 0 ? -x : x } print d }') < 0.1" \
        "$n: the console's lower edge is not where it was ($r $g $b against $PANEL)"
}

check_size windowed
console_line "toggle vid_fullscreen"
world_wait_frames
check_size fullscreen
console_line "toggle vid_fullscreen"
world_wait_frames
check_size back
toggle_console
world_close
echo "PASS"
