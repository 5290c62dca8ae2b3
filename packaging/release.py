#!/usr/bin/env python3
"""The release's steps that make its files the same bytes from any checkout of one commit, and
sign them when a certificate is given. Run by CPack's scripts (packaging/*.cmake).

    release.py stage DIR EPOCH            every staged file stamped with the epoch; the exe signed
    release.py msi WIXL ARCH WXS STAGE MSI CODE EPOCH GUID...
                                          the MSI built by wixl, its drawn package code and times
                                          replaced (GUID: those the source names)
    release.py sign FILE                  signed in place, when a certificate is given
    release.py finish DIR NAME EPOCH MADE...  what CPack just made finished: the zip in a fixed form,
                                          the exe beside it in DIR, and DIR/SHA256SUMS listing
                                          NAME's exe, zip and MSI as this cpack run made them

Signing: TAVRELONIM_SIGN_PKCS12 names a PKCS#12 file, TAVRELONIM_SIGN_PASSWORD_FILE a file holding
its password; TAVRELONIM_SIGN_TIMESTAMP_URL, when set, a time-stamp server (none by default). With
no certificate the files are left unsigned, and the step says so once."""
import hashlib
import json
import os
import re
import struct
import subprocess
import sys
import time
import zipfile
from pathlib import Path

FILETIME_EPOCH_OFFSET = 11644473600  # seconds from 1601 to 1970
TICKS = 10_000_000
GUID = rb'\{([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})\}'


def stage(folder, epoch):
    for path in sorted(Path(folder).rglob('*')):
        if path.name == 'tavrelonim.exe':
            sign(path)
    for path in sorted(Path(folder).rglob('*')):
        os.utime(path, (int(epoch), int(epoch)), follow_symlinks=False)


def sign(path):
    certificate = os.environ.get('TAVRELONIM_SIGN_PKCS12')
    if not certificate:
        print(f'release: no certificate (TAVRELONIM_SIGN_PKCS12): {Path(path).name} left unsigned')
        return
    signed = Path(f'{path}.signed')
    command = ['osslsigncode', 'sign', '-pkcs12', certificate, '-h', 'sha256', '-in', str(path), '-out', str(signed)]
    if os.environ.get('TAVRELONIM_SIGN_PASSWORD_FILE'):
        command[4:4] = ['-readpass', os.environ['TAVRELONIM_SIGN_PASSWORD_FILE']]
    if os.environ.get('TAVRELONIM_SIGN_TIMESTAMP_URL'):
        command[-4:-4] = ['-ts', os.environ['TAVRELONIM_SIGN_TIMESTAMP_URL']]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f'release: signing {path} failed: {result.stdout}{result.stderr}')
    signed.replace(path)
    print(f'release: {Path(path).name} signed')


def filetime(seconds):
    return (int(seconds) + FILETIME_EPOCH_OFFSET) * TICKS


def msi(wixl, arch, source, stage, package, code, epoch, *known):
    """Runs wixl on the staged files. It draws the package code at random and stamps the summary
    information with the moment it ran, whatever the source says: both are written again in
    place, at the same length, so the compound file's structure is untouched. Fails unless exactly
    one GUID the source does not name, and exactly two such times, are found."""
    ran_from = time.time()
    made = subprocess.run([wixl, '--arch', arch, '--output', package, source], cwd=stage, capture_output=True, text=True)
    if made.returncode != 0:
        sys.exit(f'release: wixl could not build {package}: {made.stderr}')
    ran_to = time.time()
    data = bytearray(Path(package).read_bytes())
    known = {guid.strip('{}').upper() for guid in known}
    drawn = [m for m in re.finditer(GUID, data) if m[1].decode() not in known]
    if len({m[1] for m in drawn}) != 1:
        sys.exit(f'release: expected one GUID drawn by wixl in {package}, found {sorted({m[1] for m in drawn})}')
    for match in drawn:
        data[match.start():match.end()] = ('{' + code.strip('{}').upper() + '}').encode()
    low, high = filetime(int(ran_from) - 1), filetime(int(ran_to) + 1)
    stamps = [at for at in range(len(data) - 7) if low <= struct.unpack_from('<Q', data, at)[0] <= high
              and struct.unpack_from('<Q', data, at)[0] % TICKS == 0]
    if len(stamps) != 2:
        sys.exit(f"release: expected the summary's two times in {package}, found {len(stamps)}")
    for at in stamps:
        struct.pack_into('<Q', data, at, filetime(epoch))
    Path(package).write_bytes(data)


def normalize_zip(archive, epoch):
    """Entries by name, each with the epoch's time (as a zip holds it, in UTC), one mode and one
    compression: nothing of the folder it was made in or of the moment it was made."""
    with zipfile.ZipFile(archive) as source:
        entries = {info.filename: source.read(info) for info in source.infolist()}
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]  # a zip's times start in 1980
    with zipfile.ZipFile(archive, 'w') as target:
        for entry in sorted(entries):
            info = zipfile.ZipInfo(entry, date_time=stamp)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            target.writestr(info, entries[entry], compresslevel=9)
    return entries


def cpack_run():
    """Which cpack run this step belongs to: CPack runs it as its child, once per generator. The
    process id with its start time (where the system tells it), so that a later run given the same
    id is still another run."""
    parent = os.getppid()
    try:
        started = Path(f'/proc/{parent}/stat').read_text().rsplit(')', 1)[1].split()[19]
    except (OSError, IndexError):
        started = ''
    return f'{parent}:{started}'


def finish(folder, name, epoch, *made):
    """CPack copies a package out to folder only after this step: what it has just made is read
    where it was made. SHA256SUMS lists what this cpack run made, and nothing else: a package left
    in folder by an earlier run is never certified."""
    folder = Path(folder)
    ledger_path = folder / f'.{name}.made'
    run = cpack_run()
    try:
        ledger = json.loads(ledger_path.read_text())
    except (OSError, ValueError):
        ledger = {}
    if ledger.get('run') != run:
        ledger = {'run': run, 'sums': {}}
    for path in map(Path, made):
        kind = path.suffix.lstrip('.')
        if kind == 'zip':
            entries = normalize_zip(path, epoch)
            if 'tavrelonim.exe' not in entries:
                sys.exit(f'release: {path.name} holds no tavrelonim.exe')
            exe = folder / f'{name}.exe'
            exe.write_bytes(entries['tavrelonim.exe'])
            ledger['sums']['exe'] = hashlib.sha256(entries['tavrelonim.exe']).hexdigest()
        if kind in ('zip', 'msi'):
            ledger['sums'][kind] = hashlib.sha256(path.read_bytes()).hexdigest()
    ledger_path.write_text(json.dumps(ledger))
    (folder / 'SHA256SUMS').write_text(''.join(f'{ledger["sums"][kind]}  {name}.{kind}\n'
                                               for kind in ('exe', 'zip', 'msi') if kind in ledger['sums']))


if __name__ == '__main__':
    steps = {'stage': stage, 'msi': msi, 'sign': sign, 'finish': finish}
    if len(sys.argv) < 3 or sys.argv[1] not in steps:
        sys.exit(__doc__)
    steps[sys.argv[1]](*sys.argv[2:])
