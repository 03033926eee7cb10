#!/usr/bin/env bash
# The console as typed into the real program: command-line lines and typed lines
# echoed after the prompt, Shift with the console key typing '~' instead of
# closing the console, Home and a typed character editing inside the line, and
# long cvarlist lines on a screenshot of the open console.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
WORLD_ARGS=(--width 1024 --height 576 +echo from-the-command-line)
world_start
world_focus
OUT="$WORK/stdout.txt"

wait_for "] echo from-the-command-line"
grep -qx "from-the-command-line" "$OUT" || fail "the command-line line did not run"

toggle_console
type_text "echo "
xdotool key shift+grave
type_text "/x.png"
xdotool key Return
wait_for "] echo ~/x.png"
grep -qx "~/x.png" "$OUT" || fail "Shift and the console key did not type '~'"
echo "Shift with the console key typed '~' and the console stayed open"

# Home goes to the start of the line: "cho edited" becomes "echo edited".
type_text "cho edited"
xdotool key Home
type_text "e"
xdotool key Return
wait_for "] echo edited"
grep -qx "edited" "$OUT" || fail "Home and a typed character did not edit the line"
echo "Home edited the start of the line"

console_line "cvarlist r_"
wait_for " variables"
console_line "screenshot $WORK/console.png"
wait_for "screenshot: $WORK/console.png"
cp "$WORK/console.png" "$SHOTS/console_typing.png"
# The console's top third is drawn over the picture: its panel is dark.
panel="$(region_mean "$WORK/console.png" 0 0 1 0.3 | awk '{ print ($1 + $2 + $3) / 3 }')"
check "$panel < 0.35" "no console panel on the screenshot ($panel)"

world_close
echo "PASS"
