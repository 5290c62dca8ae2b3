#!/usr/bin/env python3
"""Builds the release files a second time, from a copy of the tree in another folder with a build
folder of its own, and fails if any file differs from this build's, naming the file and the first
differing offset. Only the toolchain is shared. The copy is a git checkout of its own, committed at
this build's epoch, configured through a symbolic link and without SOURCE_DATE_EPOCH, as a user
building a clone would.

Then packages that copy again with a throwaway self-signed certificate, made here: the signatures
must verify, and the exe with its signature removed must be the unsigned build's, byte for byte.

Usage: check_reproducible.py SOURCE_DIR BUILD_DIR PRESET CMAKE CPACK EPOCH"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path


def tracked_files(source):
    """The tree's files as a checkout has them, changes not yet committed included."""
    listed = subprocess.run(['git', 'ls-files', '-co', '--exclude-standard', '-z'], cwd=source,
                            capture_output=True, check=True).stdout
    return [name for name in listed.decode().split('\0') if name and (source / name).is_file()]


def make_checkout(tree, epoch):
    """The copied tree as a repository with one commit, made at the epoch."""
    dated = dict(os.environ, GIT_AUTHOR_DATE=f'@{epoch} +0000', GIT_COMMITTER_DATE=f'@{epoch} +0000',
                 GIT_AUTHOR_NAME='check', GIT_AUTHOR_EMAIL='check@localhost', GIT_COMMITTER_NAME='check',
                 GIT_COMMITTER_EMAIL='check@localhost')
    return (run(['git', 'init', '-q'], cwd=tree) and run(['git', 'add', '-A'], cwd=tree, env=dated)
            and run(['git', 'commit', '-q', '--no-gpg-sign', '-m', 'the tree under test'], cwd=tree, env=dated))


def first_difference(a, b):
    for offset, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return offset
    return min(len(a), len(b))


def run(command, **options):
    """A step's output only where it fails."""
    done = subprocess.run(command, capture_output=True, text=True, **options)
    if done.returncode != 0:
        print(f'FAIL: {" ".join(map(str, command))}: {done.stdout[-2000:]}{done.stderr[-2000:]}')
    return done.returncode == 0


def check_signing(scratch, second, cpack, name):
    """Signed with a certificate made for the test alone; the password comes from a file."""
    keys = scratch / 'keys'
    keys.mkdir()
    (keys / 'password').write_text('throwaway')
    if not (run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-subj', '/CN=Tavrelonim test signer',
                 '-days', '1', '-keyout', keys / 'key.pem', '-out', keys / 'cert.pem'])
            and run(['openssl', 'pkcs12', '-export', '-inkey', keys / 'key.pem', '-in', keys / 'cert.pem',
                     '-out', keys / 'signer.p12', '-passout', f'file:{keys / "password"}'])):
        return 1
    env = dict(os.environ, TAVRELONIM_SIGN_PKCS12=str(keys / 'signer.p12'),
               TAVRELONIM_SIGN_PASSWORD_FILE=str(keys / 'password'))
    if not run([cpack, '-B', scratch / 'signed'], cwd=second, env=env):
        return 1
    failed = 0
    for kind in ('exe', 'msi'):
        signed = scratch / 'signed' / f'{name}.{kind}'
        if run(['osslsigncode', 'verify', '-CAfile', keys / 'cert.pem', '-in', signed]):
            print(f'ok: {signed.name} is signed, and the signature verifies')
        else:
            failed = 1
    removed = scratch / 'removed.exe'
    if not run(['osslsigncode', 'remove-signature', '-in', scratch / 'signed' / f'{name}.exe', '-out', removed]):
        return 1
    unsigned = (scratch / 'first' / f'{name}.exe').read_bytes()
    if removed.read_bytes() == unsigned:
        print(f'ok: {name}.exe without its signature is the unsigned build, byte for byte')
    else:
        print(f'FAIL: {name}.exe without its signature differs from offset '
              f'{first_difference(removed.read_bytes(), unsigned)}')
        failed = 1
    return failed


def main(source, build, preset, cmake, cpack, epoch):
    source, build = Path(source), Path(build)
    with tempfile.TemporaryDirectory() as scratch:
        scratch = Path(scratch)
        subprocess.run([cpack, '-B', scratch / 'first'], cwd=build, check=True, capture_output=True)
        copy = scratch / 'elsewhere' / 'tree'
        for name in tracked_files(source):
            (copy / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source / name, copy / name)
        # A git checkout of its own, whose commit is as old as this build's source, reached through
        # a symbolic link and given no SOURCE_DATE_EPOCH: the build must find the commit's time.
        if not make_checkout(copy, epoch):
            return 1
        (scratch / 'linked').symlink_to(copy, target_is_directory=True)
        copy = scratch / 'linked'
        env = {name: value for name, value in os.environ.items() if name != 'SOURCE_DATE_EPOCH'}
        started = time.monotonic()
        second = scratch / 'elsewhere' / 'build'
        for step in ([cmake, '--preset', preset, '-S', copy, '-B', second, '-DTAVRELONIM_TESTS=OFF'],
                     [cmake, '--build', second, '--target', 'tavrelonim', '-j', str(os.cpu_count() or 2)],
                     [cpack, '-B', scratch / 'second']):
            if not run(step, cwd=copy if step[1] == '--preset' else second, env=env):
                return 1
        print(f'second build and packages, from a copy elsewhere: {time.monotonic() - started:.0f} s')
        listed = (scratch / 'first' / 'SHA256SUMS').read_text().split()[1::2]
        if len(listed) < 3:
            print(f'FAIL: SHA256SUMS lists {listed}, not the exe, the zip and the MSI')
            return 1
        failed = 0
        for name in [*listed, 'SHA256SUMS']:
            a, b = (scratch / 'first' / name).read_bytes(), (scratch / 'second' / name).read_bytes()
            if a == b:
                print(f'ok: {name} is the same {len(a)} bytes')
            else:
                print(f'FAIL: {name} differs from offset {first_difference(a, b)} ({len(a)} and {len(b)} bytes)')
                failed = 1
        failed |= check_signing(scratch, second, cpack, Path(listed[0]).stem)
    return failed


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
