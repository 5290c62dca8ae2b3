#!/usr/bin/env bash
# Runs every benchmark and prints its figures: key-block splitting throughput (native), the
# start-up and one default request side by side under Wine (x64), and the sizes of the x64 and
# x86 exes. Figures only: nothing here passes or fails on them. RUNS sets the start-up runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset linux-bench >/dev/null && cmake --build --preset linux-bench -j "$(nproc)" >/dev/null
for preset in mingw-x64 mingw-x86; do
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target tavrelonim -j "$(nproc)" >/dev/null
done
cmake --preset mingw-x64-bench >/dev/null && cmake --build --preset mingw-x64-bench -j "$(nproc)" >/dev/null
echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(/usr/lib/wine/wine64 --version)"
echo "== splitting key blocks (bytes per second should stay flat)"
build/linux-bench/bench/split_key_block_bench --benchmark_min_time=0.5
python3 scripts/windows_bench.py "${RUNS:-7}"
echo "== exe sizes (target: under 512 KiB each)"
for arch in x64 x86; do
  printf '  %s  %8d bytes\n' "$arch" "$(stat -c %s "build/mingw-$arch/src/ui/tavrelonim.exe")"
done
