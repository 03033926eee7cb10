#!/usr/bin/env bash
# Runs a command with a display: the current one, or else a virtual display of
# its own that ends with the command.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && [ "${ZN_FORCE_XVFB:-0}" != 1 ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x800x24 +extension GLX +render -noreset" "$@"
