#!/usr/bin/env bash
# Serves the page that scripts/build-web.sh built on 127.0.0.1 and prints its
# address. Console lines go after '?' in the address:
#   http://127.0.0.1:8080/Vendrapolis.html?+set r_stats 1 +benchmark 5
#
#   scripts/serve-web.sh [PORT] [BUILD_DIR]     # default 8080, build-web
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
port="${1:-8080}"
dir="${2:-$here/build-web}"
exec node "$here/web/serve.js" "$dir" "$port"
