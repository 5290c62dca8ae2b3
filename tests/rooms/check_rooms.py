#!/usr/bin/env python3
"""The window's folder in rooms: a file of src/ui/ROOM includes from its own room and the rooms
below it, never from one above. Prints each include that runs up, and fails on any.

    check_rooms.py SRC_UI_FOLDER"""
import re
import sys
from pathlib import Path

# Lowest first: each room may use those before it.
ROOMS = ['win32', 'contract', 'layout', 'list', 'accessibility', 'window']
INCLUDE = re.compile(r'#include "ui/([a-z0-9]+)/[^"]+"')


def main(folder):
    folder = Path(folder)
    found = sorted(p.name for p in folder.iterdir() if p.is_dir())
    if found != sorted(ROOMS):
        print(f'rooms: expected {sorted(ROOMS)}, found {found}')
        return 1
    upward = []
    for room in ROOMS:
        for source in sorted((folder / room).glob('*.[ch]*')):
            for number, line in enumerate(source.read_text(encoding='utf-8').splitlines(), 1):
                match = INCLUDE.search(line)
                if match and (match[1] not in ROOMS or ROOMS.index(match[1]) > ROOMS.index(room)):
                    upward.append(f'{source.relative_to(folder)}:{number}: {room} includes from {match[1]}')
    print('\n'.join(upward) or f'rooms: {len(ROOMS)}, no include runs up')
    return 1 if upward else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
