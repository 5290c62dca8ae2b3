#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, and the Windows x64 and x86
# builds' unit, binding, end-to-end and installer tests under Wine (64-bit and 32-bit).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-sanitize mingw-x64 mingw-x86; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# A second compiler: the x64 exe built with clang, warnings as errors, so that a construct only
# GCC takes fails here (MSVC cannot run on this machine; README says what this proves of it).
echo "== build clang-mingw-x64 (the exe, with a second compiler)"
cmake --preset clang-mingw-x64 >/dev/null
cmake --build --preset clang-mingw-x64 -j "$jobs"
bash tests/pe/check-pe.sh x86_64-w64-mingw32-objdump build/clang-mingw-x64/src/ui/tavrelonim.exe x64 >/dev/null

echo "== native unit tests"
ctest --preset linux
echo "== native unit tests under ASan/UBSan, and the fuzz targets (30 s each)"
ctest --preset linux-sanitize
echo "== Windows x64 under Wine: unit, binding, end-to-end and installer tests"
ctest --preset mingw-x64
x86_how=$(bash scripts/x86-emulation.sh describe)
echo "== Windows x86 under 32-bit Wine, $x86_how: the same sets"
ctest --preset mingw-x86
echo "x86 sets: $x86_how"
echo "artifacts (screenshots): build/mingw-x64/artifacts, build/mingw-x86/artifacts"
