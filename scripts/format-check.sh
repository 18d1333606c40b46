#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted by the project's .clang-format; lists them.
set -euo pipefail
cd "$(dirname "$0")/.."
# Files deleted in the work tree but not yet in the index are left out.
mapfile -t files < <(git ls-files '*.cpp' '*.h' | while read -r f; do [[ -f "$f" ]] && echo "$f"; done)
if ! clang-format --dry-run -Werror "${files[@]}" 2>/dev/null; then
    echo "format: these files differ from .clang-format (run clang-format -i on them):"
    for f in "${files[@]}"; do
        clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || echo "format:   $f"
    done
    exit 1
fi
echo "format: ${#files[@]} files formatted"
