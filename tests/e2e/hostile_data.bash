# Hostile data files, one case per run (CTest runs every case as its own test):
#
#   bash hostile_data.bash <program> <screenshot dir> <case>
#
# Each case breaks one thing in a copy of the program's folder, starts the
# program and checks what it says and how it ends: it names the file and the
# problem and keeps running (then closes with exit 0 on request), or it takes
# the designed fatal path (a fatal report naming the file and exit 222, or the
# shader give-up exit 17). Never a crash, a hang or a silent black window.
# Every run also has GL error reporting on and must end with "GL errors: 0"
# when it ran to the close.
source "$(dirname "$0")/world_lib.bash"
world_setup "$1" "$2"
case_name="$3"
export ZN_GL_ERRORS=1
dir="$(dirname "$PROGRAM")"
copy="$WORK/copy"
mkdir -p "$copy"
cp "$PROGRAM" "$copy/" && cp -r "$dir/Data" "$copy/Data" || fail "cannot copy the program"
rm -f "$copy/Data/"*.mips
data="$copy/Data"
exe="$copy/$(basename "$PROGRAM")"

# Waits for this process's own world window (a window left by an earlier run
# on the same display must not count) -> WID.
wait_for_window() {
  local i
  WID=""
  for i in $(seq 1 240); do
    kill -0 "$PID" 2>/dev/null || { said | tail -20 >&2; fail "program ended during start-up"; }
    WID="$(xdotool search --onlyvisible --pid "$PID" --name "^${WORLD_TITLE}\$" 2>/dev/null | head -1)"
    [ -n "$WID" ] && break
    sleep 0.5
  done
  [ -n "$WID" ] || fail "no window titled '$WORLD_TITLE' after 120 s"
  world_wait_frames
}

start_program() {
  (cd "$WORK" && exec "$exe" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt") &
  PID=$!
  wait_for_window
}

# Focus without waiting for it: a window manager-less display may never confirm.
focus() {
  xdotool windowfocus "$WID" 2>/dev/null
  xdotool mousemove --window "$WID" 512 288 2>/dev/null
  sleep 0.5
}

# Runs the program expecting it to end by itself within the bound; sets CODE.
run_to_end() {
  (cd "$WORK" && exec "$exe" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt") &
  PID=$!
  local i
  for i in $(seq 1 240); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.5
  done
  kill -0 "$PID" 2>/dev/null && fail "still running after 120 s (expected the fatal path)"
  wait "$PID"
  CODE=$?
  PID=""
}

# The program's output (both streams).
said() { cat "$WORK/stdout.txt" "$WORK/stderr.txt" 2>/dev/null; }
# Searches what the program said. grep reads the files itself: piped from cat,
# grep -q leaving at the first match could end cat with SIGPIPE, and pipefail
# would turn the match into a miss.
said_has() { grep -q "$@" "$WORK/stdout.txt" "$WORK/stderr.txt" 2>/dev/null; }

# Waits up to 30 s for the program to have said it (output may trail the window).
expect_said() {
  local i
  for i in $(seq 1 60); do
    said_has -F -- "$1" && return 0
    sleep 0.5
  done
  echo "--- stdout"; grep -v "^Viewport" "$WORK/stdout.txt" | tail -20
  echo "--- stderr"; tail -20 "$WORK/stderr.txt"
  fail "the program never said: $1"
}

# Starts, expects the world's window, the message, a picture that is not black,
# then closes with exit 0 and no GL error; with a second argument, the program
# must never have said that.
expect_running() {
  local message="$1" never="${2:-}"
  start_program
  expect_said "$message"
  world_shot "hostile_$case_name.png"
  read -r r g b <<<"$(region_mean "$SHOTS/hostile_$case_name.png" 0.0 0.0 1.0 1.0)"
  echo "picture mean: $r $g $b"
  check "$r + $g + $b > 0.05" "the window is black ($r $g $b)"
  world_close
  expect_said "GL errors: 0"
  said_has '^GL error: ' && fail "GL errors reported"
  [ -n "$never" ] && said_has -F -- "$never" && fail "the program said: $never"
  echo "PASS"
}

# Ends by itself on the designed fatal path with this exit code and message.
expect_fatal() {
  local code="$1" message="$2"
  run_to_end
  said_has "Segmentation\|AddressSanitizer\|runtime error" && { said | tail -30 >&2; fail "crashed"; }
  ls "$copy"/DUMP-*.dmp >/dev/null 2>&1 && fail "a crash dump was written"
  [ "$CODE" = "$code" ] || { said | tail -30 >&2; fail "exit code $CODE, expected $code"; }
  expect_said "$message"
  echo "PASS"
}

# The UI's shaders load when the UI first draws: the world starts, the console
# and the statistics overlay are opened, and then the program takes the
# designed fatal path. A build that takes more than a moment (a busy machine)
# draws its progress bar first, and the same fatal path comes before the
# world's window: that is as designed too.
expect_fatal_on_ui() {
  local code="$1" message="$2" i
  (cd "$WORK" && exec "$exe" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt") &
  PID=$!
  WID=""
  for i in $(seq 1 240); do
    kill -0 "$PID" 2>/dev/null || break
    WID="$(xdotool search --onlyvisible --pid "$PID" --name "^${WORLD_TITLE}\$" 2>/dev/null | head -1)"
    [ -n "$WID" ] && break
    sleep 0.5
  done
  if [ -n "$WID" ]; then
    world_wait_frames
    focus
    xdotool key --window "$WID" grave F3
  else
    kill -0 "$PID" 2>/dev/null && fail "no window titled '$WORLD_TITLE' after 120 s"
    echo "ended before the world's window (the build's progress bar drew the UI first)"
  fi
  for i in $(seq 1 120); do
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.5
  done
  kill -0 "$PID" 2>/dev/null && fail "still running 60 s after the console opened"
  wait "$PID"
  CODE=$?
  PID=""
  [ "$CODE" = "$code" ] || { said | tail -30 >&2; fail "exit code $CODE, expected $code"; }
  expect_said "$message"
  echo "PASS"
}

# Sanitizer options may name files (suppressions) that the unprivileged user
# cannot read, e.g. in a checkout below a folder of mode 700; a sanitizer
# runtime that cannot read one ends the program before main. Each such file is
# given to that user as a readable copy in the work folder, and every file the
# options then name must be readable by it (checked in every build, so a plain
# build catches what only a sanitizer build would trip over).
readable_sanitizer_options() {
  local var value token out n=0
  for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
    value="${!var:-}"
    [ -n "$value" ] || continue
    out=""
    local IFS=:
    for token in $value; do
      if [[ "$token" == suppressions=* ]]; then
        n=$((n + 1))
        cp "${token#suppressions=}" "$WORK/sanitizer$n.supp" || fail "cannot copy ${token#suppressions=}"
        chmod 644 "$WORK/sanitizer$n.supp"
        token="suppressions=$WORK/sanitizer$n.supp"
      fi
      out="${out:+$out:}$token"
    done
    unset IFS
    export "$var=$out"
  done
}

check_sanitizer_files_readable() {
  local var token
  for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
    local IFS=:
    for token in ${!var:-}; do
      [[ "$token" == suppressions=* ]] || continue
      setpriv --reuid=65534 --regid=65534 --clear-groups cat "${token#suppressions=}" >/dev/null 2>&1 ||
        fail "$var names ${token#suppressions=}, which the unprivileged user cannot read"
    done
    unset IFS
  done
}

# The program's folder cannot be written (the program runs as an unprivileged
# user in a folder it does not own, with no writable home): it starts, draws,
# refuses a screenshot with a message, and closes with exit 0, leaving nothing
# behind (no cache, no crash dump, no log).
expect_unwritable_folder() {
  chmod 755 "$WORK"
  chmod -R a+rX "$copy"
  local auth="$WORK/xauth"
  if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
    cp "$XAUTHORITY" "$auth" && chmod 644 "$auth"
  fi
  readable_sanitizer_options
  check_sanitizer_files_readable
  local before after
  before="$(find "$copy" | sort | md5sum)"
  (cd "$copy" && XAUTHORITY="$auth" HOME=/nonexistent MESA_SHADER_CACHE_DISABLE=true \
     exec setpriv --reuid=65534 --regid=65534 --clear-groups "$exe" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt") &
  PID=$!
  wait_for_window
  focus
  xdotool key --window "$WID" grave
  xdotool type --window "$WID" --delay 30 "screenshot"
  xdotool key --window "$WID" Return grave
  sleep 2
  world_shot "hostile_$case_name.png"
  world_close
  expect_said "screenshot: neither the program's screenshots folder nor the home folder is writable"
  expect_said "GL errors: 0"
  after="$(find "$copy" | sort | md5sum)"
  [ "$before" = "$after" ] || fail "files appeared in the read-only folder"
  echo "PASS"
}

# Window extremes: the action, then the window back at 1024 x 576 must still
# draw the world, and the program must close normally without a GL error.
expect_window_survives() {
  start_program
  focus
  case "$1" in
    tiny)     xdotool windowsize "$WID" 1 1; sleep 3
              kill -0 "$PID" 2>/dev/null || fail "ended at 1 x 1" ;;
    minimise) xdotool windowminimize "$WID"; sleep 3
              kill -0 "$PID" 2>/dev/null || fail "ended while minimised"
              xdotool windowmap "$WID"; xdotool windowactivate "$WID" 2>/dev/null ;;
    storm)    local i
              for i in $(seq 1 40); do xdotool windowsize "$WID" $(( (i * 37) % 900 + 1 )) $(( (i * 53) % 600 + 1 )); done ;;
  esac
  xdotool windowsize "$WID" 1024 576
  world_wait_frames
  world_shot "hostile_$case_name.png"
  read -r r g b <<<"$(region_mean "$SHOTS/hostile_$case_name.png" 0.0 0.0 1.0 1.0)"
  echo "picture mean after the $1 case: $r $g $b"
  check "$r + $g + $b > 0.05" "the window is black after the $1 case ($r $g $b)"
  world_close
  expect_said "GL errors: 0"
  said_has '^GL error: ' && fail "GL errors reported"
  echo "PASS"
}

truncate_to() { head -c "$2" "$1" >"$1.part" && mv "$1.part" "$1"; }

case "$case_name" in
  ground_missing)   rm "$data/Ground.png"
                    expect_running 'Texture "Ground.png" could not be loaded (the file is missing or cannot be opened)' ;;
  ground_corrupt)   truncate_to "$data/Ground.png" 200
                    expect_running 'Image "Ground.png": ' ;;
  water_missing)    rm "$data/WaterBump.png"
                    expect_running 'Texture "WaterBump.png" could not be loaded (the file is missing' ;;
  water_corrupt)    printf 'not a picture' >"$data/WaterBump.png"
                    expect_running 'Image "WaterBump.png": is not a PNG file (no PNG signature)' ;;
  sky_missing)      rm "$data/SkyDusk1.png"
                    expect_running 'Texture "SkyDusk1.png" could not be loaded (the file is missing' ;;
  sky_corrupt)      truncate_to "$data/SkyDusk1.png" 40
                    expect_running 'Image "SkyDusk1.png": ' ;;
  heightmap_huge)   cp "$(dirname "$0")/../../fuzz/regress/png/huge_claim_8192.png" "$data/Heightmap.png"
                    expect_running 'Image "Heightmap.png": claims 8192 x 8192 pixels but holds only' ;;
  sky_shader_missing)   rm "$data/Shaders/Sky.shd"
                        expect_fatal 17 "File Shaders/Sky.shd was not found" ;;
  voxel_shader_corrupt) echo "void main() { garbage" >"$data/Shaders/Voxel.shd"
                        expect_fatal 17 "Shaders/Voxel.shd:2(1): error: syntax error" ;;
  water_shader_missing) rm "$data/Shaders/Water.shd"
                        expect_fatal 17 "File Shaders/Water.shd was not found" ;;
  common_missing)       rm "$data/Shaders/WorldCommon.inc"
                        expect_fatal 17 "File WorldCommon.inc was not found" ;;
  include_cycle)        echo '#include "WorldCommon.inc"' >>"$data/Shaders/WorldCommon.inc"
                        expect_fatal 17 "Include cycle: Shaders/WorldCommon.inc -> Shaders/WorldCommon.inc" ;;
  gui_shader_missing)   rm "$data/Shaders/GUI.shd"
                        expect_fatal_on_ui 17 "File Shaders/GUI.shd was not found" ;;
  color_shader_missing) rm "$data/Shaders/ColorOnly.shd"
                        expect_fatal_on_ui 17 "File Shaders/ColorOnly.shd was not found" ;;
  font_missing)         rm "$data/Engine/DebugFont.fnt"
                        expect_running "Font Engine/DebugFont.fnt: the file cannot be read" ;;
  font_corrupt)         truncate_to "$data/Engine/DebugFont.fnt" 300
                        expect_running "Font Engine/DebugFont.fnt, line 6" ;;
  font_page_missing)    rm "$data/Engine/DebugFont_0.png"
                        expect_running 'Font Engine/DebugFont.fnt: page 0 texture "Engine/DebugFont_0.png" failed to load' ;;
  font_page_corrupt)    truncate_to "$data/Engine/DebugFont_0.png" 100
                        expect_running 'Image "Engine/DebugFont_0.png": ' ;;
  mips_truncated|mips_bad_header)
                        # The world's textures are loaded whole, never streamed, so
                        # a cache file beside them is never read: a broken one
                        # changes nothing and is not spoken of.
                        kind=truncated; [ "$case_name" = mips_bad_header ] && kind=badheader
                        for t in Ground WaterBump SkyDusk1; do
                          cp "$(dirname "$0")/../../fuzz/corpus/mips/$kind.mips" "$data/$t.png.mips" || fail "no $kind.mips"
                        done
                        expect_running "Voxel world: 400 x 400 sprites" ".mips" ;;
  unwritable_folder)    expect_unwritable_folder ;;
  unwritable_folder_private_options)
                        # The sanitizer's suppressions in a folder only the
                        # tester may enter, as in a checkout below a private home.
                        mkdir -m 700 "$WORK/private"
                        cp "$(dirname "$0")/../../scripts/lsan.supp" "$WORK/private/" || fail "no lsan.supp"
                        export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$WORK/private/lsan.supp"
                        expect_unwritable_folder ;;
  window_tiny)          expect_window_survives tiny ;;
  window_minimise)      expect_window_survives minimise ;;
  window_resize_storm)  expect_window_survives storm ;;
  *) fail "unknown case $case_name" ;;
esac
