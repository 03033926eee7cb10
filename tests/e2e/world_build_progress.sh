#!/usr/bin/env bash
# A long build (a 4096 x 4096 world sampled from the repository's maps) shows a
# progress bar with its phase in the window, which keeps answering: a close request
# during the build stops it and the program ends with exit code 0 and no world.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"

(cd "$WORK" && exec "$PROGRAM" --grid 4096 >"$WORK/stdout.txt" 2>"$WORK/stderr.txt") &
PID=$!
for i in $(seq 1 120); do
    kill -0 "$PID" 2>/dev/null || { cat "$WORK/stderr.txt" >&2; fail "program ended during the build"; }
    WID="$(xdotool search --name "^Building the voxel world" 2>/dev/null | head -1)"
    [ -n "$WID" ] && break
    sleep 0.5
done
[ -n "$WID" ] || fail "no build window after 60 s"
# The bar is drawn once the build has taken a quarter of a second: the phase in
# white and the bar's light outline and fill over the dark background (red 0.1)
# mid-window. The 4096 x 4096 build takes a few seconds on two cores; on a busy
# machine the first bar may come later, so the window is looked at until it shows
# one (or the build ends), and the close follows at once.
bar=""
for i in $(seq 1 80); do
    sleep 0.25
    grep -q "^Voxel world:" "$WORK/stdout.txt" && fail "the 4096 x 4096 world was built before the close could come"
    import -window "$WID" "$SHOTS/world_build_progress.png" 2>/dev/null || continue
    bar="$(region_mean "$SHOTS/world_build_progress.png" 0.2 0.4 0.8 0.53)"
    read -r r g b <<<"$bar"
    awk "BEGIN { exit !($r > 0.13) }" && break
done
python3 "$WORLD_ROOT/scripts/xclose.py" --pid "$PID" || fail "could not send the close request"
echo "bar region mean: $bar"
[ -n "$bar" ] || fail "no screenshot of the build window could be taken"
read -r r g b <<<"$bar"
check "$r > 0.13" "no progress bar in the window during the build ($bar)"

for i in $(seq 1 120); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$PID" 2>/dev/null && fail "program still running 60 s after the close request during the build"
wait "$PID"
code=$?
PID=""
[ "$code" = 0 ] || fail "exit code $code after a close during the build"
grep -q "^Voxel world:" "$WORK/stdout.txt" && fail "the world was finished although the window was closed"
echo "closed during the build: exit code 0"
