#!/usr/bin/env bash
# Settings that last, in the real program: three settings and a key binding set
# in the console are in the settings file after a close and hold at the next
# start, where the bound key runs its line once Escape closed the console;
# autoexec.cfg runs after the file and before the command line; a corrupt file is
# named, the program starts with the defaults, and the corrupt file is kept
# beside the new one.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
WORLD_ARGS=(--width 384 --height 216)
CONFIG="$ZN_CONFIG_DIR/config.cfg"
OUT="$WORK/stdout.txt"

# First run: set them in the console.
world_start
world_focus
toggle_console
console_line "set cam_fov 75; set in_invert_y 1; set cam_speed 250"
console_line "bind F6 \"echo the-bound-key-ran\""
wait_for "F6: echo the-bound-key-ran"
toggle_console
world_close
[ -f "$CONFIG" ] || fail "no settings file at $CONFIG"
for line in "set cam_fov 75" "set in_invert_y 1" "set cam_speed 250" 'bind F6 "echo the-bound-key-ran"'; do
    grep -qxF "$line" "$CONFIG" || fail "the settings file lacks '$line'"
done
echo "settings file written: $(grep -c . "$CONFIG") lines"

# Second run: they hold, autoexec.cfg runs between the file and the command line,
# and the bound key works.
printf 'echo autoexec-ran\nset cam_speed 300\n' >"$ZN_CONFIG_DIR/autoexec.cfg"
WORLD_ARGS=(--width 384 --height 216 +echo command-line-ran +cam_fov +in_invert_y +cam_speed)
world_start
wait_for "command-line-ran"
grep -qxF "config: read '$CONFIG'" "$OUT" || fail "the start did not name the settings file it read"
order="$(grep -nE '^(config: read|autoexec-ran|command-line-ran)' "$OUT" | cut -d: -f1 | tr '\n' ' ')"
echo "order of settings file, autoexec, command line: lines $order"
check "$(echo "$order" | awk '{ print ($1 < $2 && $2 < $3) }') == 1" "not run in the order file, autoexec, command line"
for v in "cam_fov = 75" "in_invert_y = 1" "cam_speed = 300"; do
    grep -qxF "$v" "$OUT" || fail "after the restart: no '$v'"
done
world_focus
# Escape closes the console: F6 then reaches its binding, not the console.
toggle_console
xdotool key Escape
sleep 1
xdotool key F6
wait_for "the-bound-key-ran" 30
echo "Escape closed the console and the bound key F6 ran its line"
world_close
rm -f "$ZN_CONFIG_DIR/autoexec.cfg"

# A corrupt file: named, the defaults used, the file kept aside.
head -c 300 /dev/urandom | tr '\n' 'x' >"$CONFIG"
printf '\nset cam_fov 20\n' >>"$CONFIG"
cp "$CONFIG" "$WORK/corrupt.cfg"
WORLD_ARGS=(--width 384 --height 216 +cam_fov +bind F6)
world_start
wait_for "F6 is not bound"
grep -E "^config: '$CONFIG' line [0-9]+ .*the file is ignored and the defaults are used" "$OUT" ||
    fail "the corrupt file was not named"
grep -qxF "cam_fov = 90" "$OUT" || fail "the corrupt file's start did not use the default field of view"
world_close
cmp -s "$WORK/corrupt.cfg" "$CONFIG.bad" || fail "the corrupt file was not kept as $CONFIG.bad"
grep -qxF "set cam_fov 90" "$CONFIG" || fail "the new settings file does not hold the defaults"
echo "PASS"
