#!/usr/bin/env bash
# Bad input never stops the program: a truncated or damaged terrain image given
# with --map is named with what is wrong and ends with exit code 2 before any
# display is needed; files are found as given from the current folder, then in
# Data/; words after a '+' line belong to it, -h is --help, and a '+' line that
# fails makes the exit code 3.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
DATA="$(dirname "$PROGRAM")/Data"
[ -f "$DATA/Heightmap.png" ] || fail "no Data/Heightmap.png beside the program"

# Damaged files, checked with no display at all: exit 2 and the file's problem.
head -c 40000 "$DATA/Heightmap.png" >"$WORK/cut.png"
size=$(stat -c %s "$DATA/Colormap.png")
head -c $((size - 12)) "$DATA/Colormap.png" >"$WORK/noend.png"   # everything but IEND
python3 - "$DATA/Colormap.png" "$WORK/badcrc.png" <<'PY'
import sys
b = bytearray(open(sys.argv[1], 'rb').read())
at = 8
while at + 8 <= len(b):
    n = int.from_bytes(b[at:at + 4], 'big')
    if b[at + 4:at + 8] == b'IDAT':
        b[at + 8 + n] ^= 0x55   # the first chunk of image data: its checksum
        break
    at += 12 + n
open(sys.argv[2], 'wb').write(b)
PY
for case in "cut.png:ends early" "noend.png:ends early" "badcrc.png:has a bad checksum"; do
    file="${case%%:*}"
    says="${case#*:}"
    (cd "$WORK" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$PROGRAM" --map "$file" Colormap.png +quit \
        >"$WORK/$file.out" 2>"$WORK/$file.err")
    code=$?
    [ "$code" -eq 2 ] || fail "--map $file: exit code $code, expected 2: $(cat "$WORK/$file.err")"
    grep -q "^--map: '$file' $says" "$WORK/$file.err" || fail "--map $file: message: $(head -3 "$WORK/$file.err")"
    grep -qi "assert\|debug the program" "$WORK/$file.err" "$WORK/$file.out" && fail "--map $file: an assertion"
done
echo "damaged --map files: exit 2 with the reason, no display needed"

# Neither the current folder nor Data/ has it: both are named.
(cd "$WORK" && env -u DISPLAY -u WAYLAND_DISPLAY "$PROGRAM" --map nothing.png Colormap.png >/dev/null 2>"$WORK/none.err")
[ $? -eq 2 ] || fail "--map nothing.png was accepted"
grep -q "'nothing.png' is not in the current folder ($WORK/) nor in the data folder ($DATA/)" "$WORK/none.err" ||
    fail "the message does not name both places: $(head -1 "$WORK/none.err")"

env -u DISPLAY "$PROGRAM" -h >"$WORK/h.txt" 2>&1 || fail "-h exit code $?"
grep -q "^usage: Vendrapolis" "$WORK/h.txt" || fail "-h printed no usage"
echo "-h and the places named: ok"

# With a display: maps found in the current folder, '+echo --foo' echoed, and
# the unknown command makes the exit code 3 while the rest still runs.
cp "$DATA/Heightmap.png" "$WORK/h.png"
cp "$DATA/Colormap.png" "$WORK/c.png"
(cd "$WORK" && exec timeout 240 "$PROGRAM" --width 320 --height 180 --grid 64 --map h.png c.png \
    +echo --foo +nosuchcmd +echo after +quit >"$WORK/run.txt" 2>&1)
code=$?
[ "$code" -eq 3 ] || { cat "$WORK/run.txt" >&2; fail "exit code $code after a failed '+' line, expected 3"; }
grep -qx -- "--foo" "$WORK/run.txt" || fail "+echo --foo did not print --foo"
grep -qx "after" "$WORK/run.txt" || fail "the lines after the failed one did not run"
grep -q "^Voxel world: 64 x 64 sprites" "$WORK/run.txt" || fail "the world from the current folder's maps was not built"
echo "PASS"
