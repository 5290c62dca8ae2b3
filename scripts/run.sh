#!/usr/bin/env bash
# Builds the Windows x64 program and runs it under Wine. On a machine with a display it opens
# there; with none it uses a virtual display and saves a screenshot. When no CUPS server with
# printers is reachable, a private one with three sample printers is started, so the list is
# never empty. With --screenshot FILE it runs on a virtual display and saves the window to FILE
# (docs/window.png is made so).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 --target tavrelonim -j "$(nproc)" >/dev/null
exec python3 scripts/run.py "$@"
