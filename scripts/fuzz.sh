#!/usr/bin/env bash
# Fuzzes the saved catalogue reader with libFuzzer for the given number of seconds (default 600).
# Build output and the growing corpus go to fuzz-out/; a crashing input is also copied into
# fuzz/corpus/ so that the test suite replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

duration=${1:-600}

missing=()
for p in clang libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
        --no-install-recommends "${missing[@]}"
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_soundinfo

out=fuzz-out
mkdir -p "$out/corpus"
cp build/fuzz/bin/fuzz_soundinfo "$out/fuzz_soundinfo"

status=0
"$out/fuzz_soundinfo" -max_total_time="$duration" -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$out/" "$out/corpus" fuzz/corpus || status=$?

shopt -s nullglob
for crash in "$out"/crash-* "$out"/leak-* "$out"/oom-* "$out"/timeout-*; do
    cp "$crash" "fuzz/corpus/found-$(basename "$crash")"
    echo "Saved fuzz/corpus/found-$(basename "$crash")"
done
exit "$status"
