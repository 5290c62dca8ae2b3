#!/usr/bin/env python3
"""Runs the Windows-side benchmark driver under Wine, in an environment of its own (a private CUPS
server, a virtual display, a fresh prefix), and prints what it prints."""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / 'tools' / 'winenv'))
import winenv  # noqa: E402

BUILD = ROOT / 'build'
ENV_DIR = BUILD / 'bench-env'


def main():
    runs = sys.argv[1] if len(sys.argv) > 1 else '5'
    driver = BUILD / 'mingw-x64-bench' / 'bench' / 'windows_bench.exe'
    minimal = BUILD / 'mingw-x64-bench' / 'bench' / 'minimal_window.exe'
    minimal_platform_work = BUILD / 'mingw-x64-bench' / 'bench' / 'minimal_window_platform_work.exe'
    utility = BUILD / 'mingw-x64' / 'src' / 'ui' / 'tavrelonim.exe'
    missing = [str(exe) for exe in (driver, minimal, minimal_platform_work, utility) if not exe.exists()]
    if missing:
        sys.exit('windows_bench: not built: ' + ', '.join(missing) +
                 ' (build the mingw-x64 and mingw-x64-bench presets first)')
    state = winenv.env_up(ENV_DIR)
    wine = winenv.Wine(state['prefix'], state['display'], state['cups_server'])
    try:
        # A first start imports the CUPS printers into the profile, as on any later start.
        exes = [wine.windows_path(exe) for exe in (utility, minimal, minimal_platform_work)]
        wine.run(driver, *exes, '1', timeout=600, check=False)
        print(wine.run(driver, *exes, runs, timeout=1800), end='')
    finally:
        winenv.env_down(ENV_DIR)


if __name__ == '__main__':
    main()
