#!/usr/bin/env bash
# Builds the libFuzzer programs with clang (build-fuzz/) and runs each target in
# turn for SECONDS (default 60), one job at a time, starting from the seed
# corpus in fuzz/corpus/<target>/ and the kept inputs in fuzz/regress/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [target ...]       targets: png mips textparse font
#                                                material shader archive cmdline console
#   ZN_FUZZ_RUNS=1000000 scripts/fuzz.sh 3600    each target stops after that many
#                                                executions (or the time, if sooner)
#
# New corpus entries go to build-fuzz/corpus/<target>/ (the repository's corpus
# stays small); a crash, leak or timeout leaves its input in build-fuzz/crashes/
# and makes the script fail. Copy such an input into fuzz/regress/<target>/ once
# it is fixed: the replay test (ctest -R fuzz.replay) then runs it for ever.
# The last lines print the executions of every target.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(png mips textparse font material shader archive cmdline console)

scripts/setup.sh
# libFuzzer and the sanitizer runtimes come with Debian's clang and its runtime
# package; only what is missing is installed.
if ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed" \
   || ! command -v clang++ >/dev/null; then
  echo "Installing: clang libclang-rt-14-dev"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi
build="$here/build-fuzz"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZN_FUZZ=ON -DZN_TESTS=OFF -DZN_BENCH=OFF \
  ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null || exit 1
cmake --build "$build" -j"${ZN_FUZZ_JOBS:-2}" --target zn_fuzz_all || exit 1

export ZN_DIALOG=no
# See test.sh for why the __tls_get_addr hook is off.
export ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
mkdir -p "$build/crashes" "$build/logs"
status=0
summary=()
for t in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$t"
  [ -x "$program" ] || { echo "no fuzz target $t" >&2; status=1; continue; }
  mkdir -p "$build/corpus/$t"
  seeds=("$here/fuzz/corpus/$t")
  [ -d "$here/fuzz/regress/$t" ] && seeds+=("$here/fuzz/regress/$t")
  log="$build/logs/$t.log"
  echo "== $t for $seconds s"
  # -timeout: an input that takes more than 10 s is a hang; -rss_limit_mb and
  # -malloc_limit_mb: one allocation or a resident size above 2 GiB is a fault.
  "$program" "$build/corpus/$t" "${seeds[@]}" -max_total_time="$seconds" -runs="${ZN_FUZZ_RUNS:--1}" -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb=2048 -max_len=65536 -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$t-" >"$log" 2>&1
  rc=$?
  runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)"
  crashes="$(ls "$build/crashes/" 2>/dev/null | grep -c "^$t-" || true)"
  line="$(printf '%-10s %12s executions  exit %d  %s kept faults' "$t" "${runs:-?}" "$rc" "$crashes")"
  echo "$line"
  summary+=("$line")
  if [ "$rc" -ne 0 ]; then
    status=1
    grep -E "ERROR|SUMMARY|==[0-9]+==" "$log" | head -20
  fi
done
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
