#!/usr/bin/env bash
# Runs the benchmarks and prints their figures: key-block splitting throughput (native) and the
# sizes of the x64 and x86 exes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset linux-bench >/dev/null && cmake --build --preset linux-bench -j "$(nproc)" >/dev/null
for preset in mingw-x64 mingw-x86; do
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target tavrelonim -j "$(nproc)" >/dev/null
done
echo "== splitting key blocks (bytes per second should stay flat)"
build/linux-bench/bench/split_key_block_bench --benchmark_min_time=0.5
echo "== exe sizes (target: under 512 KiB each)"
for arch in x64 x86; do
  printf '%s  %8d bytes\n' "$arch" "$(stat -c %s "build/mingw-$arch/src/ui/tavrelonim.exe")"
done
