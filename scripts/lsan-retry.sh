#!/usr/bin/env bash
# Runs one test program of the sanitizer build, and runs it once more when the
# only thing that failed was LeakSanitizer's own tracer: it sometimes crashes
# while it stops the process's threads for the leak check at exit ("Tracer
# caught signal 11 ... LeakSanitizer has encountered a fatal error"), after
# every test has passed. That is a fault of the sanitizer runtime, not a leak
# and not a test failure; anything else fails as it would without this script.
#   lsan-retry.sh PROGRAM [ARGS...]
set -u
out="$(mktemp)" err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
"$@" >"$out" 2>"$err"
code=$?
cat "$out"
cat "$err" >&2
if [ "$code" -ne 0 ] && grep -q "^\[  PASSED  \]" "$out" \
   && grep -q "^Tracer caught signal" "$err" \
   && grep -q "LeakSanitizer has encountered a fatal error" "$err"; then
  echo "lsan-retry: every test passed but LeakSanitizer's tracer crashed at exit; running once more" >&2
  "$@"
  code=$?
fi
exit "$code"
