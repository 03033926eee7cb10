#!/usr/bin/env bash
# Fails, listing each one, when a C or C++ file of the tree is not formatted as
# .clang-format says (clang-format 14 or newer):
#   scripts/check-format.sh            every tracked file of the engine, the
#                                      demo, tests, benchmarks, fuzz targets,
#                                      tools and examples
#   scripts/check-format.sh FILE...    only these
# Format what you change with `git clang-format` (see CONTRIBUTING.md).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"

clang_format="${CLANG_FORMAT:-$(command -v clang-format || command -v clang-format-14 || true)}"
[ -n "$clang_format" ] || { echo "check-format.sh: clang-format is not installed" >&2; exit 1; }

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- ZNEngine app tests bench fuzz tools examples |
                       grep -E '\.(c|cc|cpp|h|hpp|inl)$')
fi

unformatted=()
for f in "${files[@]}"; do
  if ! "$clang_format" --style=file --dry-run --Werror "$f" >/dev/null 2>&1; then
    unformatted+=("$f")
  fi
done

if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check-format.sh: ${#unformatted[@]} of ${#files[@]} files are not formatted (git clang-format, or clang-format -i FILE):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check-format.sh: ${#files[@]} files formatted"
