#!/usr/bin/env bash
# Runs every test: installs what is missing, builds (warnings are errors under CI), runs ctest.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
preset=dev
[[ -n "${CI:-}" ]] && preset=ci
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2 --timeout 300
