#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each one for a while, starting from the committed seeds in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh            25 seconds per target (the CI run)
#   scripts/fuzz.sh 600        ten minutes per target
#   scripts/fuzz.sh 60 numbers only the named targets
#
# Inputs that libFuzzer finds interesting collect in build-fuzz/corpus/<target>/; a crashing
# input is written to build-fuzz/artifacts/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-25}
shift || true
build=$root/build-fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for src in fuzz/*.cpp; do
        targets+=("$(basename "$src" .cpp)")
    done
fi

mkdir -p "$build/artifacts"
# Targets that read files write them into a scratch folder, in memory where there is one.
scratch=$(mktemp -d -p /dev/shm torvel-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
total=0
failed=()
for name in "${targets[@]}"; do
    work=$scratch/$name
    log=$build/logs/$name.log
    mkdir -p "$work" "$build/logs" "$build/corpus/$name"
    if (cd "$work" && "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
        "$build/corpus/$name" "$root/fuzz/corpus/$name") >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        runs=${runs:-0}
        total=$((total + runs))
        printf 'fuzz: %-16s %9d inputs in %ss\n' "$name" "$runs" "$seconds"
    else
        failed+=("$name")
        echo "fuzz: $name FAILED (log: $log)"
        grep -E -A30 "^==[0-9]+==ERROR|runtime error|check failed|deadly signal|Test unit written" \
            "$log" | head -60 || tail -40 "$log"
    fi
done

echo "fuzz: ${#targets[@]} targets, $total inputs, ${#failed[@]} failed"
[[ ${#failed[@]} -eq 0 ]]
