# Shared by the world's end-to-end scripts (sourced, not a test itself).
#
#   world_setup "$1" "$2"          program path, screenshot folder
#   world_start [program]          runs the program (a copy if given) with WORLD_ARGS,
#                                  waits for the built world's title -> $WID
#   world_shot file                screenshot of the window into the screenshot folder
#   world_close                    asks the window to close, checks exit code 0
#   wait_for TEXT [SECONDS]        waits for TEXT in the program's output ($OUT)
#   console_line TEXT              types a console line and Enter
#
# Every wait is bounded; on any failure the program is killed and the script exits
# non-zero. The sanitizer build is several times slower, so the bounds are wide.

set -uo pipefail

WORLD_TITLE="Vendrapolis - Voxel sprites"
WORLD_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
PID=""
WID=""
WORLD_ARGS=()   # command-line arguments world_start passes to the program

fail() {
    echo "FAIL: $*" >&2
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill -9 "$PID" 2>/dev/null
    fi
    exit 1
}

world_cleanup() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill -9 "$PID" 2>/dev/null
    fi
    [ -n "${WORK:-}" ] && rm -rf "$WORK"
}

world_setup() {
    [ -x "$1" ] || fail "program $1 not found"
    # Absolute, since the program runs from a temporary folder.
    PROGRAM="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
    mkdir -p "$2" || fail "cannot make $2"
    SHOTS="$(cd "$2" && pwd)"
    [ -n "${DISPLAY:-}" ] || fail "no DISPLAY"
    command -v xdotool >/dev/null || fail "xdotool missing"
    command -v import >/dev/null || fail "imagemagick missing"
    WORK="$(mktemp -d)"
    trap world_cleanup EXIT
    # Settings of this run's own: none of the user's, none left for the next run.
    export ZN_CONFIG_DIR="$WORK/config"
    export ZN_DIALOG=no
    export LIBGL_ALWAYS_SOFTWARE=1
}

# Starts the program with its working directory in the temp folder (error.log lands
# there) and waits for the title that follows the world's construction.
world_start() {
    local program="${1:-$PROGRAM}"
    (cd "$WORK" && exec "$program" "${WORLD_ARGS[@]}" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt") &
    PID=$!
    local i
    for i in $(seq 1 240); do
        kill -0 "$PID" 2>/dev/null || { cat "$WORK/stderr.txt" >&2; fail "program ended during start-up"; }
        WID="$(xdotool search --name "^${WORLD_TITLE}\$" 2>/dev/null | head -1)"
        [ -n "$WID" ] && break
        sleep 0.5
    done
    [ -n "$WID" ] || fail "no window titled '$WORLD_TITLE' after 120 s"
    # A few frames (shaders compile on the first one).
    world_wait_frames
}

# Lets a few frames pass; a frame on the software renderer can take a fair part
# of a second, more under the sanitizers.
world_wait_frames() {
    sleep "${WORLD_SETTLE:-4}"
}

world_shot() {
    import -window "$WID" "$SHOTS/$1" 2>/dev/null || fail "screenshot $1 failed"
}

# Mean of red, green, blue over a region given in fractions of the picture:
# x0 y0 x1 y1 (0..1).
region_mean() {
    local file="$1" x0="$2" y0="$3" x1="$4" y1="$5"
    convert "$file" -crop "$(geometry "$file" "$x0" "$y0" "$x1" "$y1")" +repage \
        -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]" info:
}

# Fraction of the region's pixels whose green beats red and blue (terrain plants),
# counted on a quarter-size copy: -fx is slow and the share barely changes.
green_fraction() {
    local file="$1" x0="$2" y0="$3" x1="$4" y1="$5"
    convert "$file" -crop "$(geometry "$file" "$x0" "$y0" "$x1" "$y1")" +repage -scale 25% \
        -fx "(g > r + 0.02 && g > b + 0.02) ? 1 : 0" -format "%[fx:mean]" info:
}

geometry() {
    local file="$1" w h
    read -r w h < <(identify -format "%w %h" "$file")
    awk -v w="$w" -v h="$h" -v x0="$2" -v y0="$3" -v x1="$4" -v y1="$5" \
        'BEGIN { printf "%dx%d+%d+%d", (x1 - x0) * w, (y1 - y0) * h, x0 * w, y0 * h }'
}

# Root mean square difference of two pictures, 0..1.
picture_difference() {
    compare -metric RMSE "$1" "$2" null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/'
}

# awk comparison helper: check "<expression>" "message"
check() {
    awk "BEGIN { exit !($1) }" || fail "$2"
}

world_focus() {
    xdotool windowfocus --sync "$WID" 2>/dev/null || xdotool windowfocus "$WID" 2>/dev/null
    xdotool mousemove --window "$WID" 512 288
    sleep 0.5
}

world_close() {
    local closer="$WORLD_ROOT/scripts/xclose.py"
    [ -f "$closer" ] || fail "scripts/xclose.py missing"
    python3 "$closer" --pid "$PID" || fail "could not send the close request"
    local i
    for i in $(seq 1 120); do
        kill -0 "$PID" 2>/dev/null || break
        sleep 0.5
    done
    if kill -0 "$PID" 2>/dev/null; then
        fail "program still running 60 s after the close request"
    fi
    wait "$PID"
    local code=$?
    PID=""
    if [ "$code" -ne 0 ]; then
        cat "$WORK/stderr.txt" >&2
        fail "exit code $code after close"
    fi
}

# The program's standard output, where console lines and the log go.
OUT=""

# Waits until the program's output holds the fixed string, up to $2 seconds.
wait_for() {
    local i
    for i in $(seq 1 $(( ${2:-60} * 2 ))); do
        grep -qF -- "$1" "$OUT" && return 0
        kill -0 "$PID" 2>/dev/null || fail "program ended while waiting for '$1'"
        sleep 0.5
    done
    tail -20 "$OUT" >&2
    fail "no '$1' in the output"
}
type_text() { xdotool type --delay 40 -- "$1"; }
console_line() { type_text "$1"; xdotool key Return; }
toggle_console() { xdotool key grave; sleep 1; }
