#!/usr/bin/env bash
# The command line: --help and --version without any display, a bad option ends
# with exit code 2 before a window could open (a --config-dir that cannot be
# made too), and "+set r_stats 1 +benchmark 3 +screenshot FILE +quit" prints the
# statistics, shows the overlay, keeps r_stats in the --config-dir folder and
# exits 0.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"

env -u DISPLAY "$PROGRAM" --help >"$WORK/help.txt" 2>&1
code=$?
[ "$code" -eq 0 ] || fail "--help exit code $code"
grep -q "^usage: Vendrapolis" "$WORK/help.txt" || fail "--help printed no usage"
env -u DISPLAY "$PROGRAM" --version | grep -q "^Vendrapolis " || fail "--version"

# No display at all: a window could not even be tried, so exit 2 proves none opened.
env -u DISPLAY "$PROGRAM" --bogus >"$WORK/bogus.out" 2>"$WORK/bogus.err"
code=$?
[ "$code" -eq 2 ] || fail "--bogus exit code $code"
grep -q "unknown option '--bogus'" "$WORK/bogus.err" || fail "--bogus message: $(cat "$WORK/bogus.err")"
grep -q "^usage:" "$WORK/bogus.err" || fail "--bogus without the usage"
"$PROGRAM" --width 10 >/dev/null 2>"$WORK/width.err"
[ $? -eq 2 ] || fail "--width 10 was accepted"
# A settings folder that cannot be made: named, exit code 2, no display needed.
echo x >"$WORK/afile"
env -u DISPLAY "$PROGRAM" --config-dir "$WORK/afile/below" >/dev/null 2>"$WORK/cfgdir.err"
code=$?
[ "$code" -eq 2 ] || fail "--config-dir under a file: exit code $code"
grep -qF -- "--config-dir: cannot make the folder '$WORK/afile/below'" "$WORK/cfgdir.err" ||
    fail "--config-dir message: $(cat "$WORK/cfgdir.err")"
echo "help, version and bad options: ok"

shot="$WORK/stats.png"
(cd "$WORK" && exec "$PROGRAM" --width 640 --height 360 --config-dir settings +set r_stats 1 +benchmark 3 \
    +screenshot "$shot" +quit >"$WORK/run.txt" 2>&1) &
PID=$!
for i in $(seq 1 600); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$PID" 2>/dev/null && fail "the benchmark run did not end"
wait "$PID"
code=$?
PID=""
[ "$code" -eq 0 ] || { cat "$WORK/run.txt" >&2; fail "benchmark run exit code $code"; }
line="$(grep -E '^benchmark: frames [0-9]+, mean [0-9.]+ ms, median [0-9.]+ ms, p95 [0-9.]+ ms, p99 [0-9.]+ ms, fps [0-9.]+$' "$WORK/run.txt")"
[ -n "$line" ] || { cat "$WORK/run.txt" >&2; fail "no statistics line"; }
echo "$line"
[ -f "$shot" ] || fail "no screenshot"
# The settings went to the folder the command line named (made, relative to the
# current folder), not to ZN_CONFIG_DIR.
grep -qxF "set r_stats 1" "$WORK/settings/config.cfg" || fail "--config-dir: no settings file in $WORK/settings"
[ ! -f "$ZN_CONFIG_DIR/config.cfg" ] || fail "--config-dir: the settings went to ZN_CONFIG_DIR as well"
cp "$shot" "$SHOTS/command_line_stats.png"

# The overlay: a dark panel in the top right corner with bright text on it.
panel="$(region_mean "$shot" 0.5 0.02 0.98 0.3 | awk '{ print ($1 + $2 + $3) / 3 }')"
text="$(convert "$shot" -crop "$(geometry "$shot" 0.5 0.02 0.98 0.3)" +repage \
    -fx "(r > 0.85 && g > 0.85 && b > 0.8) ? 1 : 0" -format "%[fx:mean]" info:)"
echo "overlay: panel brightness $panel, text share $text"
check "$panel < 0.35" "no dark statistics panel ($panel)"
check "$text > 0.01" "no text on the statistics panel ($text)"
echo "PASS"
