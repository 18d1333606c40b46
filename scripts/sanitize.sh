#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer (the "asan"
# preset, folder build-asan, warnings are errors) and runs every test there, the short working day
# (workday_short: 50 orders through the main window) among them, so that a leak of a day's
# handlers fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
cmake --preset asan >/dev/null
cmake --build --preset asan
built=$SECONDS

export QT_QPA_PLATFORM=offscreen
# Any report ends the test with a failure; leaks are reported too, less the known ones of the
# system libraries (see the suppressions file).
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$(pwd)/scripts/lsan-suppressions.txt:print_suppressions=0
ctest --test-dir build-asan -j2 --timeout 600 --output-on-failure
grep -h '^workday: ' build-asan/Testing/Temporary/LastTest.log | sed 's/^/sanitize: /' || true
echo "sanitize: build $((built - start))s, tests $((SECONDS - built))s"
