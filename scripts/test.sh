#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the Windows x64 build's unit,
# binding and end-to-end tests under Wine, and the Windows x86 build (compiled and linked only:
# this kind of machine cannot execute 32-bit programs).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
for preset in linux linux-sanitize mingw-x64 mingw-x86; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "== native unit tests"
ctest --preset linux
echo "== native unit tests under ASan/UBSan, and the fuzz targets (30 s each)"
ctest --preset linux-sanitize
echo "== Windows x64 under Wine: unit, binding and end-to-end tests"
ctest --preset mingw-x64
echo "== Windows x86: built, linked and its exe checked (32-bit programs cannot run here)"
ctest --preset mingw-x86
echo "artifacts (screenshots): build/mingw-x64/artifacts"
