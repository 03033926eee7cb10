#!/usr/bin/env bash
# Builds the API reference from the engine's public headers with Doxygen:
#   scripts/docs.sh [output folder, default build-docs]   -> <folder>/html/index.html
# Fails, listing them, on any warning (a header comment Doxygen cannot read).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/build-docs}"
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
command -v doxygen >/dev/null || { echo "docs.sh: doxygen is not installed (scripts/setup.sh)" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out/warnings.txt"
ZN_DOCS_SRC="$here" ZN_DOCS_OUT="$out" doxygen "$here/docs/Doxyfile"
if [ -s "$out/warnings.txt" ]; then
  echo "docs.sh: Doxygen warnings:" >&2
  sed "s|$here/||" "$out/warnings.txt" >&2
  exit 1
fi
echo "API reference: $out/html/index.html"
