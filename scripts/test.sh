#!/usr/bin/env bash
# Installs what is missing, builds the dev and asan presets and runs every test in both, then the
# tests of the threaded parts (distribution, session, command line) under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --test

jobs=$(nproc 2>/dev/null || echo 2)
for preset in dev asan tsan; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset"
done
