#!/usr/bin/env python3
"""Runs the utility under Wine, on the user's display or a virtual one (see run.sh)."""
import os
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / 'tools' / 'winenv'))
import winenv  # noqa: E402

EXE = ROOT / 'build' / 'mingw-x64' / 'src' / 'ui' / 'tavrelonim.exe'
STATE = ROOT / 'build' / 'run'


def display_works(display):
    return bool(display) and subprocess.run(['xdpyinfo', '-display', display], capture_output=True).returncode == 0


def cups_has_printers():
    result = subprocess.run(['lpstat', '-p'], capture_output=True, text=True)
    return result.returncode == 0 and 'printer ' in result.stdout


# The window opens at the virtual desktop's top left; at 96 DPI its frame is this large.
WINDOW_ON_DESKTOP = '628x330+0+0'


def main(argv):
    """With --screenshot FILE, runs on a virtual display and saves the window alone to FILE."""
    wanted = Path(argv[argv.index('--screenshot') + 1]).resolve() if '--screenshot' in argv else None
    STATE.mkdir(parents=True, exist_ok=True)
    started = []
    display = os.environ.get('DISPLAY', '')
    headless = wanted is not None or not display_works(display)
    if headless:
        display, pid = winenv.start_display(STATE / 'xvfb.log')
        started.append(pid)
    cups = os.environ.get('CUPS_SERVER', '')
    if not cups_has_printers():
        cups, pid = winenv.start_cups(STATE / 'cups')
        started.append(pid)
        print(f'no CUPS printers reachable: started a private server with {", ".join(winenv.SAMPLE_PRINTERS)}')
    prefix = Path(os.environ.get('WINEPREFIX', STATE / 'prefix'))
    wine = winenv.Wine(prefix, display, cups)
    try:
        if not (prefix / winenv.PREFIX_READY).exists():
            print(f'making the Wine prefix {prefix} (once)')
        wine.init()
        if headless:
            process = wine.start(EXE)
            time.sleep(8)
            shot = wanted or STATE / 'screenshot.png'
            crop = WINDOW_ON_DESKTOP if wanted else winenv.DESKTOP_SIZE + '+0+0'
            subprocess.run(['import', '-window', 'root', '-crop', crop, '+repage', str(shot)],
                           env=dict(os.environ, DISPLAY=display), check=True)
            print(f'ran on a virtual display; screenshot saved to {shot}')
            process.terminate()
            wine.kill_all()
            return 0
        return subprocess.run([winenv.loader_for(EXE), str(EXE)], env=wine.env).returncode
    finally:
        for pid in started:
            winenv.stop_pid(pid)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
