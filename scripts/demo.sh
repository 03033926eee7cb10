#!/usr/bin/env bash
# Runs the demo: installs what is missing, builds the program only in build-demo/
# (a configuration of its own, so no other script's build folder changes) and
# starts it. Without a display it runs on a virtual one for a few seconds, saves
# build-demo/screenshots/demo.png and closes the window with a normal close request
# (as a window manager would); the script's exit status is the program's.
#
#   scripts/demo.sh
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

# On a virtual display (the script calls itself this way): run, photograph, close.
if [ "${1:-}" = "--virtual" ]; then
  build="$2"
  seconds="${ZN_DEMO_SECONDS:-5}"
  mkdir -p "$build/screenshots"
  export LIBGL_ALWAYS_SOFTWARE=1 ZN_DIALOG=no
  (cd "$build" && exec ./Vendrapolis) &
  pid=$!
  # The title changes once the world is built.
  for _ in $(seq 1 1200); do
    xdotool search --name "^Vendrapolis - Voxel sprites$" >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! kill -0 "$pid" 2>/dev/null; then
    set +e; wait "$pid"; status=$?; set -e
    echo "demo: the program ended early (exit code $status)" >&2
    exit "$status"
  fi
  sleep "$seconds"
  import -window root "$build/screenshots/demo.png" && echo "demo: screenshot $build/screenshots/demo.png"
  python3 "$here/scripts/xclose.py" --title "Vendrapolis - Voxel sprites" || kill "$pid"
  for _ in $(seq 1 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && { echo "demo: the program did not close; killing it" >&2; kill -9 "$pid"; }
  set +e; wait "$pid"; status=$?; set -e
  echo "demo: exit code $status"
  exit "$status"
fi

cd "$here"
scripts/setup.sh
build="${ZN_DEMO_BUILD:-build-demo}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZN_TESTS=OFF -DZN_BENCH=OFF >/dev/null
cmake --build "$build" --target Vendrapolis -j"$(nproc)"

if [ -n "${DISPLAY:-}" ]; then
  cd "$build"
  exec ./Vendrapolis
fi
echo "demo: no display; running on a virtual display for a few seconds"
exec xvfb-run -a -s "-screen 0 1280x800x24 +extension GLX +render -noreset" \
  bash "$0" --virtual "$here/$build"
