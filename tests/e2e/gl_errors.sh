#!/usr/bin/env bash
# One session with GL error reporting on: start, flight (keys held, a
# right-button drag), the console with commands, resizes, a screenshot, a
# shader reload and a world rebuild, then the close. The program must report
# "GL errors: 0" at exit and no "GL error:" line on the way, and exit 0.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
export ZN_GL_ERRORS=1
world_start
xdotool windowfocus "$WID" 2>/dev/null
xdotool mousemove --window "$WID" 512 288
# Flight.
xdotool keydown --window "$WID" w; sleep 2; xdotool keyup --window "$WID" w
xdotool keydown --window "$WID" space; sleep 1; xdotool keyup --window "$WID" space
xdotool mousedown 3 mousemove_relative -- 80 20 sleep 0.3 mouseup 3
# Console, screenshot, shader reload, world rebuild.
console() {
  xdotool key --window "$WID" grave; sleep 0.5
  xdotool type --window "$WID" --delay 30 "$1"
  xdotool key --window "$WID" Return grave; sleep "${2:-1}"
}
console "cvarlist"
console "screenshot $WORK/gl_errors_shot.png" 3
console "reloadshaders" 2
console "map Heightmap.png Colormap.png" 15
# Resizes, the overlay, and the default size again.
xdotool key --window "$WID" F3
for size in "640 360" "1 1" "1279 799" "1024 576"; do
  xdotool windowsize "$WID" $size; sleep 1
done
world_wait_frames
[ -f "$WORK/gl_errors_shot.png" ] || fail "the screenshot command wrote nothing"
world_close
grep -q '^GL error: ' "$WORK/stderr.txt" && { grep '^GL error: ' "$WORK/stderr.txt" | head >&2; fail "GL errors reported"; }
grep -qx 'GL errors: 0' "$WORK/stderr.txt" || fail "no 'GL errors: 0' at exit (reporting was not on?)"
echo "PASS"
