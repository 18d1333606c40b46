#!/usr/bin/env bash
# Runs every benchmark and prints the table of figure, reference and ratio: installs what is
# missing, builds in Release into build-bench/, generates the data sets into build-bench/data/
# once (20,000, 200,000 and 1,000,000 products, 10,000 orders each), then runs torvel_bench.
# `bash bench/run.sh --workday` runs the working day instead, `--server-load` the order server
# under load. Arguments go to torvel_bench, e.g.
# --benchmark_filter='Search/200000'; TORVEL_BENCH_SIZES names other catalogue sizes to generate
# (every data set under build-bench/data/ is run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build-bench
# The tests are built and run by test.sh; here only what the benchmarks need, at -O3.
cmake --preset dev -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
# --workday: the store's working day (bench/Workday.cpp), 1,000 orders on 200,000 products unless
# told otherwise (--orders N, --products N).
if [[ "${1:-}" == --workday ]]; then
    shift
    cmake --build "$build" --target torvel_workday torvel-server
    QT_QPA_PLATFORM=offscreen exec "$build/bench/torvel_workday" --work "$build/workday" "$@"
fi
# --server-load: the reference order server under 100 concurrent clients of 1,000 requests each
# (bench/ServerLoad.cpp; --clients N, --requests N).
if [[ "${1:-}" == --server-load ]]; then
    shift
    cmake --build "$build" --target torvel_server_load torvel-server
    exec "$build/bench/torvel_server_load" --work "$build/server-load" "$@"
fi
cmake --build "$build" --target torvel_bench torvel-benchgen torvel-server

data="$build/data"
for n in ${TORVEL_BENCH_SIZES:-20000 200000 1000000}; do
    if [[ ! -f "$data/$n/dataset.txt" ]]; then
        echo "bench: generating $n products and 10000 orders into $data/$n"
        "$build/bench/torvel-benchgen" --out "$data/$n" --products "$n" --orders 10000 --seed 1
    fi
done

QT_QPA_PLATFORM=offscreen "$build/bench/torvel_bench" --data "$data" \
    --table "$build/bench-table.txt" "$@"
echo "bench: the table is also in $build/bench-table.txt"
