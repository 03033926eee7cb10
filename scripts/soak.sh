#!/usr/bin/env bash
# Drives the real program with random input for MINUTES (default 1) and reports
# its resident memory over time, the GL errors it reported and its exit code.
#
#   scripts/soak.sh [MINUTES] [program]      program: build/Vendrapolis by default
#
# Input, at random: held movement keys, right-button drags, the console opened
# and closed with commands typed into it (variables, shader reload, a world
# rebuild, a screenshot), window resizes (down to 1 x 1),
# minimise and restore, and focus moving away and back. The world is also
# rebuilt (`map`) every ZN_SOAK_MAP_EVERY seconds (default 8) of the measured
# run, so a rebuild that leaks raises the level several times over between the
# two fifths compared. The program runs from a
# copy of its folder with ZN_GL_ERRORS=1 and ZN_DIALOG=no. Resident memory is
# sampled every second into soak-rss.csv (seconds, KiB) in the copy's folder.
# Before the clock starts, the inputs that make it hold the most memory come once
# each (see tour), a rebuild among them, so every level is measured after one.
# Pass (exit 0): after the warm-up (the first fifth of the run) resident
# memory grows by at most 10 % (the median of the samples in the last fifth
# against that of the second fifth), no GL error is reported, and the program exits
# 0 when asked to close. A rebuild holds the old and the new world for a moment,
# and the allocator may keep that high-water mark: one such step costs up to
# about 7 % of the 400 world's level, once; a rebuild that leaks adds a world at
# every rebuild (+63 % in one minute with the old tree kept). Starts its own virtual display when there is none.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
minutes="${1:-1}"
program="${2:-$here/build/Vendrapolis}"
if [ -z "${DISPLAY:-}" ] || [ "${ZN_FORCE_XVFB:-0}" = 1 ] && [ -z "${ZN_SOAK_DISPLAY:-}" ]; then
  export ZN_SOAK_DISPLAY=1 ZN_FORCE_XVFB=1
  exec "$here/scripts/with-display.sh" "$0" "$minutes" "$program"
fi
for tool in xdotool python3 awk; do
  command -v "$tool" >/dev/null || { echo "soak: $tool is missing" >&2; exit 1; }
done
[ -x "$program" ] || { echo "soak: program $program not found (build first)" >&2; exit 1; }
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"

work="$(mktemp -d)"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  [ -n "${ZN_SOAK_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
cp "$program" "$work/" && cp -r "$(dirname "$program")/Data" "$work/Data" || { echo "soak: cannot copy the program" >&2; exit 1; }

export ZN_DIALOG=no ZN_GL_ERRORS=1 LIBGL_ALWAYS_SOFTWARE="${LIBGL_ALWAYS_SOFTWARE:-1}"
# Settings of the run's own: the random keys must not reach the user's file.
export ZN_CONFIG_DIR="$work/config"
(cd "$work" && exec "./$(basename "$program")" >"$work/stdout.txt" 2>"$work/stderr.txt") &
pid=$!

title="Vendrapolis - Voxel sprites"
wid=""
for _ in $(seq 1 240); do
  kill -0 "$pid" 2>/dev/null || { cat "$work/stderr.txt" >&2; echo "soak: the program ended during start-up" >&2; exit 1; }
  wid="$(xdotool search --name "^${title}\$" 2>/dev/null | head -1)"
  [ -n "$wid" ] && break
  sleep 0.5
done
[ -n "$wid" ] || { echo "soak: no window after 120 s" >&2; exit 1; }

rss() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null; }

keys=(w a s d space Control_L Shift_L)
# A command and, after '|', what puts its state back a moment later: the world
# at full detail everywhere holds more vertices by design, which is not growth.
commands=("help" "cmdlist" "cvarlist" "echo soak" "nosuchcommand 1 2" "r_cull 0|r_cull 1" "r_lod 0|r_lod 1"
          "toggle r_order|toggle r_order" "r_stats 1|r_stats 0" "cam_fov 100|cam_fov 90" "r_haze 0.3|r_haze 1"
          "reloadshaders" "map Heightmap.png Colormap.png" "screenshot soak.png")
# Types a command into the console and, when it has an undo, that a moment later.
run_command() {
  local c="$1"
  xdotool key --window "$wid" grave; sleep 0.3
  xdotool type --window "$wid" --delay 20 "${c%%|*}"; xdotool key --window "$wid" Return; sleep 0.3
  xdotool key --window "$wid" Prior Next grave
  if [ "$c" != "${c#*|}" ]; then
    sleep 1.5
    xdotool key --window "$wid" grave; sleep 0.3
    xdotool type --window "$wid" --delay 20 "${c#*|}"; xdotool key --window "$wid" Return grave
  fi
}

# The inputs that make the program hold the most memory, each once before the
# clock starts: the largest window, the whole world at full detail, a rebuild, a
# screenshot, a reload. What the libraries keep after such a state (the GL
# driver's bins and framebuffers, the allocator's free lists) is then part of the
# level growth is measured from, whichever of them the random input reaches late.
tour() {
  local size c
  xdotool windowfocus "$wid" 2>/dev/null
  for size in "1279 799" "333 777" "1 1" "1024 576"; do xdotool windowsize "$wid" $size; sleep 0.7; done
  for c in "r_cull 0|r_cull 1" "r_lod 0|r_lod 1" "map Heightmap.png Colormap.png" "screenshot soak.png" \
           "reloadshaders"; do
    run_command "$c"; sleep 0.5
  done
  xdotool windowminimize "$wid" 2>/dev/null; sleep 0.5; xdotool windowmap "$wid" 2>/dev/null
  xdotool windowactivate "$wid" 2>/dev/null
}

RANDOM=$$
act() {
  xdotool windowfocus "$wid" 2>/dev/null
  case $(( RANDOM % 9 )) in
    0|1)
      local k=${keys[$(( RANDOM % ${#keys[@]} ))]}
      xdotool keydown --window "$wid" "$k"; sleep 0.$(( RANDOM % 9 + 1 )); xdotool keyup --window "$wid" "$k" ;;
    2)
      xdotool mousemove --window "$wid" $(( RANDOM % 400 + 50 )) $(( RANDOM % 300 + 50 )) mousedown 3 \
        mousemove_relative -- $(( RANDOM % 200 - 100 )) $(( RANDOM % 100 - 50 )) sleep 0.2 mouseup 3 ;;
    3)
      run_command "${commands[$(( RANDOM % ${#commands[@]} ))]}" ;;
    4)
      local sizes=("1 1" "2 3" "160 90" "640 360" "1024 576" "1279 799" "333 777")
      xdotool windowsize "$wid" ${sizes[$(( RANDOM % ${#sizes[@]} ))]} ;;
    5)
      local i; for i in 1 2 3 4 5 6 7 8; do xdotool windowsize "$wid" $(( RANDOM % 900 + 1 )) $(( RANDOM % 600 + 1 )); done
      xdotool windowsize "$wid" 1024 576 ;;
    6)
      xdotool windowminimize "$wid" 2>/dev/null; sleep 0.5; xdotool windowmap "$wid" 2>/dev/null
      xdotool windowactivate "$wid" 2>/dev/null ;;
    7)
      # Focus leaves the window (to the root) and comes back.
      xdotool windowfocus "$(xdotool search --maxdepth 0 '' 2>/dev/null | head -1)" 2>/dev/null; sleep 0.3
      xdotool windowfocus "$wid" 2>/dev/null ;;
    *)
      xdotool key --window "$wid" $(( RANDOM % 10 )) Escape ;;
  esac
}

rss_first="$(rss)"
tour >/dev/null 2>&1
map_every="${ZN_SOAK_MAP_EVERY:-8}"
next_map="$map_every"
rebuilds=0
start=$(date +%s)
total=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')
warm=$(( total / 5 ))
csv="$work/soak-rss.csv"
echo "seconds,rss_kib" >"$csv"
rss_start="$(rss)"
rss_warm=""
next_sample=0
echo "soak: $minutes min, pid $pid, RSS ${rss_first} KiB at start, ${rss_start} KiB after one of each of the largest states"

while :; do
  now=$(( $(date +%s) - start ))
  kill -0 "$pid" 2>/dev/null || break
  if [ "$now" -ge "$next_sample" ]; then
    r="$(rss)"
    echo "$now,$r" >>"$csv"
    [ -z "$rss_warm" ] && [ "$now" -ge "$warm" ] && rss_warm="$r" && echo "soak: RSS after ${warm} s warm-up ${rss_warm} KiB"
    [ $(( next_sample % 60 )) -eq 0 ] && echo "soak: ${now} s RSS ${r} KiB"
    next_sample=$(( next_sample + 1 ))
  fi
  [ "$now" -ge "$total" ] && break
  if [ "$now" -ge "$next_map" ]; then
    xdotool windowfocus "$wid" 2>/dev/null
    run_command "map Heightmap.png Colormap.png" >/dev/null 2>&1
    rebuilds=$(( rebuilds + 1 ))
    next_map=$(( now + map_every ))
  fi
  act >/dev/null 2>&1
done

alive=1
kill -0 "$pid" 2>/dev/null || alive=0
rss_end="$(rss)"
[ -n "$rss_warm" ] || rss_warm="$rss_start"
code=""
if [ "$alive" = 1 ]; then
  xdotool windowsize "$wid" 1024 576 2>/dev/null
  python3 "$here/scripts/xclose.py" --pid "$pid" >/dev/null 2>&1
  for _ in $(seq 1 120); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
  kill -0 "$pid" 2>/dev/null && { echo "soak: still running 60 s after the close request" >&2; kill -9 "$pid"; }
fi
wait "$pid"
code=$?
pid=""

gl_lines=$(grep -c '^GL error: ' "$work/stderr.txt")
gl_total="$(sed -n 's/^GL errors: //p' "$work/stderr.txt" | tail -1)"
# Growth compares levels, not single samples: one sample can land while a
# command's effect is in force (the whole world drawn with culling off, or a
# rebuild's freed memory not yet given back, holds tens of MB for a while) and
# the next one does not. The level after warm-up is the median of the samples in
# the second fifth of the run, the end level the median of those in the last
# fifth; a leak raises every later sample, so it still shows.
[ -n "$rss_end" ] && echo "$(( $(date +%s) - start )),$rss_end" >>"$csv"
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
level_warm="$(awk -F, -v a="$warm" -v b="$(( 2 * warm ))" 'NR > 1 && $1 >= a && $1 < b { print $2 }' "$csv" | median)"
level_end="$(awk -F, -v a="$(( total - warm ))" 'NR > 1 && $1 >= a { print $2 }' "$csv" | median)"
[ -n "$level_warm" ] || level_warm="$rss_warm"
[ -n "$level_end" ] || level_end="${rss_end:-0}"
growth=$(awk -v a="$level_warm" -v b="$level_end" 'BEGIN { printf "%.1f", (a > 0) ? ((b - a) * 100 / a) : 0 }')
echo "soak: RSS start ${rss_start} KiB, after warm-up ${rss_warm} KiB, end ${rss_end:-?} KiB"
echo "soak: RSS level after warm-up ${level_warm} KiB, at the end ${level_end} KiB (medians of the second" \
  "and the last fifth): ${growth} % since warm-up"
echo "soak: ${rebuilds} world rebuilds during the measured run, one every ${map_every} s"
echo "soak: GL errors ${gl_total:-not reported} (${gl_lines} report lines), exit code ${code}"
[ "$alive" = 1 ] || echo "soak: the program ended by itself before the close request" >&2
grep -E '^GL error: ' "$work/stderr.txt" | sort | uniq -c | head -10
[ -n "${ZN_SOAK_KEEP:-}" ] && echo "soak: files kept in $work"
status=0
[ "$alive" = 1 ] || status=1
[ "$code" = 0 ] || status=1
[ "$gl_lines" = 0 ] && [ "${gl_total:-x}" = 0 ] || status=1
awk -v g="$growth" 'BEGIN { exit !(g <= 10.0) }' || status=1
[ "$status" = 0 ] && echo "soak: PASS" || echo "soak: FAIL"
exit $status
