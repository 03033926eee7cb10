#!/usr/bin/env bash
# scripts/benchmark.sh and scripts/demo.sh each build only the program, each in
# a build folder of its own and never in build/, so neither reconfigures another
# script's folder. Both run in a copy of the scripts folder with cmake, the
# package setup and the display stood in for by recorders; nothing is built.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/repo/scripts" "$work/bin"
cp "$root/scripts/benchmark.sh" "$root/scripts/demo.sh" "$work/repo/scripts/"
printf '#!/usr/bin/env bash\nexit 0\n' >"$work/repo/scripts/setup.sh"
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/repo/scripts/with-display.sh"
# A scripts/build.sh that records like cmake would, in case a script calls it.
printf '#!/usr/bin/env bash\necho "build.sh $*" >>"$ZN_CMAKE_LOG"\n' >"$work/repo/scripts/build.sh"
chmod +x "$work/repo/scripts/"*.sh
# cmake: records every call; a build leaves a program that prints a benchmark line.
cat >"$work/bin/cmake" <<'SH'
#!/usr/bin/env bash
echo "cmake $*" >>"$ZN_CMAKE_LOG"
if [ "$1" = "--build" ]; then
    mkdir -p "$2"
    printf '#!/usr/bin/env bash\necho "benchmark: frames 1"\n' >"$2/Vendrapolis"
    chmod +x "$2/Vendrapolis"
fi
SH
chmod +x "$work/bin/cmake"

check_script() {
    local script="$1" log="$work/$1.log"
    : >"$log"
    (cd "$work/repo" && ZN_CMAKE_LOG="$log" PATH="$work/bin:$PATH" DISPLAY=:99 bash "scripts/$script" >/dev/null 2>&1)
    grep -q "^build.sh" "$log" && fail "$script builds through scripts/build.sh (everything): $(cat "$log")"
    grep -q "^cmake " "$log" || fail "$script configured nothing"
    grep "^cmake -S" "$log" | grep -qE -- "-B ([^ ]*/)?build( |$)" && fail "$script configures build/: $(cat "$log")"
    grep "^cmake --build" "$log" | grep -qvE -- "--target Vendrapolis( |$)" &&
        fail "$script builds more than the program: $(grep '^cmake --build' "$log")"
    grep "^cmake -S" "$log" | sed -E 's/.* -B ([^ ]*).*/\1/' | sort -u
}
bench="$(check_script benchmark.sh)" || exit 1
demo="$(check_script demo.sh)" || exit 1
echo "benchmark.sh builds in '$bench', demo.sh in '$demo'"
[ -n "$bench" ] && [ -n "$demo" ] || fail "a build folder is missing"
[ "$bench" != "$demo" ] || fail "both scripts share the build folder '$bench'"
grep "^cmake -S" "$work/benchmark.sh.log" | grep -q "CMAKE_BUILD_TYPE=Release" ||
    fail "the benchmark is not an optimised build"
echo "PASS"
