#!/usr/bin/env bash
# Installs what is missing, builds the program and starts the Sonquill window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" --target sonquill sonquill-cli
exec build/release/bin/sonquill "$@"
