"""Builds the zip with CPack into a scratch folder and checks that it holds exactly the exe, the
README and the licence, at its top level, the exe being the one just built.
Usage: check_package.py CPACK BUILD_DIR EXE ARCH"""
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

cpack, build_dir, exe, arch = sys.argv[1:5]
with tempfile.TemporaryDirectory() as scratch:
    subprocess.run([cpack, '-G', 'ZIP', '-B', scratch], cwd=build_dir, check=True, capture_output=True)
    zips = list(Path(scratch).glob(f'tavrelonim-*-windows-{arch}.zip'))
    if len(zips) != 1:
        sys.exit(f'FAIL: expected one tavrelonim-*-windows-{arch}.zip, found {[z.name for z in zips]}')
    with zipfile.ZipFile(zips[0]) as package:
        names = sorted(package.namelist())
        if names != ['LICENSE', 'README.md', 'tavrelonim.exe']:
            sys.exit(f'FAIL: {zips[0].name} holds {names}')
        if package.read('tavrelonim.exe') != Path(exe).read_bytes():
            sys.exit('FAIL: the packaged exe is not the one built')
        if b'Permission is hereby granted' not in package.read('LICENSE'):
            sys.exit('FAIL: the licence text is missing')
    print(f'ok: {zips[0].name} holds {", ".join(names)}')
