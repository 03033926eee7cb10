#!/usr/bin/env bash
# The real program on the display: the window appears titled "Building the voxel
# world..." and then "Vendrapolis - Voxel sprites", its client area is 1024 x 576,
# a resize reaches the GL viewport, and a window manager's close request ends the
# program with exit code 0 and no assertion on the way. Without any display the
# program refuses to start (exit 222).
#
#   bash window_lifecycle.sh <path to Vendrapolis> <screenshot dir>
#
# Every wait has a deadline, so the script never hangs; the program is killed if
# it outlives the test.
set -uo pipefail

prog="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
shots="$2"
here="$(cd "$(dirname "$0")/../.." && pwd)"
mkdir -p "$shots"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 +extension GLX +render -noreset" bash "$0" "$@"
fi

export ZN_DIALOG=no
export LIBGL_ALWAYS_SOFTWARE=1

work="$(mktemp -d)"
export ZN_CONFIG_DIR="$work/config"
log="$work/program.log"
titles="$work/titles.log"
pid=""
watcher=""
cleanup() {
  [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
  [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- program output"; tail -n 40 "$log" 2>/dev/null
  echo "--- titles seen"; cat "$titles" 2>/dev/null
  exit 1
}

# Records every top-level window's titles as they are set, from before the
# program starts, so a title shown only briefly is not missed.
: >"$titles"
python3 - "$titles" <<'PY' &
import ctypes, ctypes.util, sys
x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
x.XFree.argtypes = [ctypes.c_void_p]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
# A window may be gone before it is asked about; such errors are not fatal here.
handler_t = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
ignore = handler_t(lambda d, e: 0)
x.XSetErrorHandler(ignore)
dpy = x.XOpenDisplay(None)
if not dpy:
    sys.exit(2)
out = open(sys.argv[1], "w", buffering=1)
root = x.XDefaultRootWindow(dpy)
wm_name = x.XInternAtom(dpy, b"WM_NAME", 0)
SUBSTRUCTURE_NOTIFY, PROPERTY_CHANGE = 1 << 19, 1 << 22
CREATE_NOTIFY, PROPERTY_NOTIFY = 16, 28
x.XSelectInput(dpy, root, SUBSTRUCTURE_NOTIFY)
x.XSync(dpy, 0)
out.write("ready\n")
last = {}
def report(win):
    name = ctypes.c_char_p()
    if x.XFetchName(dpy, win, ctypes.byref(name)) and name.value is not None:
        title = name.value.decode("latin-1")
        x.XFree(name)
        if last.get(win) != title:
            last[win] = title
            out.write("%d %s\n" % (win, title))
ev = (ctypes.c_long * 24)()
while True:
    x.XNextEvent(dpy, ev)
    kind = ev[0] & 0xFFFFFFFF
    if kind == CREATE_NOTIFY:          # parent, window follow the display pointer
        win = ev[5] & 0xFFFFFFFFFFFFFFFF
        x.XSelectInput(dpy, win, PROPERTY_CHANGE)
        x.XSync(dpy, 0)
        report(win)
    elif kind == PROPERTY_NOTIFY:      # window, atom
        if (ev[5] & 0xFFFFFFFFFFFFFFFF) == wm_name:
            report(ev[4] & 0xFFFFFFFFFFFFFFFF)
PY
watcher=$!
for _ in $(seq 1 100); do
  grep -q "^ready$" "$titles" && break
  kill -0 "$watcher" 2>/dev/null || fail "could not watch the display"
  sleep 0.1
done
grep -q "^ready$" "$titles" || fail "the title watcher did not start"

cd "$work"
# Without any display the program refuses to start (fatal exit, 222) instead of
# running where nobody can see or close it.
env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$prog" >"$work/nodisplay.log" 2>&1
nodisplay=$?
[ "$nodisplay" -eq 222 ] || { cat "$work/nodisplay.log"; fail "without a display the exit code is $nodisplay, not 222"; }

"$prog" >"$log" 2>&1 &
pid=$!

# wait_for <seconds> <command...>: true once the command succeeds.
wait_for() {
  local limit=$(( $(date +%s) + $1 )); shift
  while [ "$(date +%s)" -lt "$limit" ]; do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

first_title() { grep -q " Building the voxel world\.\.\.$" "$titles"; }
second_title() { grep -q " Vendrapolis - Voxel sprites$" "$titles"; }

wait_for 60 first_title || fail "no window titled \"Building the voxel world...\""
win="$(grep " Building the voxel world\.\.\.$" "$titles" | head -n 1 | cut -d' ' -f1)"
# The sanitizer build takes its time over the world.
wait_for 240 second_title || fail "the title never became \"Vendrapolis - Voxel sprites\""
grep -qE "^$win( .*)? Vendrapolis - Voxel sprites$" "$titles" \
  || fail "the second title is on another window than the first"

geometry="$(xwininfo -id "$win")" || fail "xwininfo could not read window $win"
width="$(awk '/Width:/ {print $2}' <<<"$geometry")"
height="$(awk '/Height:/ {print $2}' <<<"$geometry")"
[ "$width" = 1024 ] && [ "$height" = 576 ] || fail "client size is ${width}x${height}, not 1024x576"

sleep 1
import -window root "$shots/window_lifecycle_1024x576.png" 2>/dev/null || echo "note: screenshot failed"

# A resize reaches the viewport: the engine log on standard output names the
# GL viewport the program set.
xdotool windowsize "$win" 800 450 || fail "xdotool could not resize the window"
viewport_set() { grep -q "^Viewport 800 x 450$" "$log"; }
wait_for 60 viewport_set || fail "the resize did not reach the GL viewport"
sleep 1
import -window root "$shots/window_lifecycle_800x450.png" 2>/dev/null || echo "note: screenshot failed"

# The window manager's close request.
python3 "$here/scripts/xclose.py" --title "Vendrapolis - Voxel sprites" || fail "could not send the close request"
exited() { ! kill -0 "$pid" 2>/dev/null; }
wait_for 120 exited || fail "the program did not end after the close request"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit code $status after the close request"
# A clean run reports no broken invariant on the way.
if grep -q "BREAK_IF" "$log"; then
  fail "the run reported an assertion"
fi
echo "PASS: titles, 1024x576 client area, resize to viewport, close -> exit 0"
