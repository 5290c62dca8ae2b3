"""Builds the zip with CPack into a scratch folder and checks that it holds exactly the exe, the
README and the licence, at its top level, the exe being the one just built; then the MSI, whose
tables must keep the Windows Installer rules of msi_rules.py beside this file.
Usage: check_package.py CPACK BUILD_DIR EXE ARCH OTHER_ARCH_UPGRADE_CODE"""
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

cpack, build_dir, exe, arch, other_upgrade_code = sys.argv[1:6]
with tempfile.TemporaryDirectory() as scratch:
    # An earlier run's package and sums in the folder: a zip-only run must certify neither.
    (Path(scratch) / f'tavrelonim-1.0.0-windows-{arch}.msi').write_bytes(b'an earlier run')
    (Path(scratch) / 'SHA256SUMS').write_text('0' * 64 + f'  tavrelonim-1.0.0-windows-{arch}.msi\n')
    subprocess.run([cpack, '-G', 'ZIP', '-B', scratch], cwd=build_dir, check=True, capture_output=True)
    listed = sorted(line.split()[1] for line in (Path(scratch) / 'SHA256SUMS').read_text().splitlines())
    expected = sorted(f'tavrelonim-1.0.0-windows-{arch}.{kind}' for kind in ('exe', 'zip'))
    if listed != expected:
        sys.exit(f'FAIL: a zip-only run lists {listed} in SHA256SUMS, not what it made: {expected}')
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
    print(f'ok: {zips[0].name} holds {", ".join(names)}; SHA256SUMS lists only what the run made')

# Without wixl the MSI's step fails, and says why.
missing = subprocess.run([str(Path(cpack).with_name('cmake')), '-DCPACK_TAVRELONIM_WIXL=', '-P',
                          str(Path(__file__).resolve().parents[2] / 'packaging' / 'PackageMsi.cmake')],
                         capture_output=True, text=True)
if missing.returncode == 0 or 'wixl was not found' not in missing.stderr:
    sys.exit(f'FAIL: the MSI step without wixl exited {missing.returncode}: {missing.stderr.strip()[:300]}')
print('ok: without wixl the MSI step fails, naming wixl')

# The MSI against the rules Windows Installer's validation applies and Wine's msiexec does not.
with tempfile.TemporaryDirectory() as scratch:
    subprocess.run([cpack, '-G', 'External', '-B', scratch], cwd=build_dir, check=True, capture_output=True)
    package = next(Path(scratch).glob(f'tavrelonim-*-windows-{arch}.msi'))
    rules = subprocess.run([sys.executable, str(Path(__file__).with_name('msi_rules.py')), str(package),
                            other_upgrade_code], capture_output=True, text=True)
    print(rules.stdout.strip())
    if rules.returncode != 0:
        sys.exit(f'FAIL: {package.name} breaks the rules above')
