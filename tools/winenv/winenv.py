#!/usr/bin/env python3
"""The Windows the utility runs on here: Wine, with a prefix made one way for every use (Wine's own
fonts in it, Arial as Windows has it), a private CUPS server and a virtual X display whose
programs share one virtual desktop. Used by ctest's emulator, the end-to-end tests, the run
command and the benchmark. Standard library only.

    winenv.py run EXE [ARGUMENTS]   runs a Windows program (ctest's emulator) in its build folder's
                                    scratch prefix
    winenv.py up|down DIRECTORY     starts or stops a whole environment recorded in DIRECTORY"""
import errno
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

WINE64 = '/usr/lib/wine/wine64'
WINE32 = '/usr/lib/wine/wine'  # from Debian's wine32:i386; runs 32-bit programs in the same prefixes
WINESERVER = '/usr/lib/wine/wineserver'
WINE_FONTS = Path('/usr/share/wine/fonts')
# CJK glyphs, from Debian's fonts-wqy-microhei; linked to the list's face as Windows links Arial.
CJK_FONT = Path('/usr/share/fonts/truetype/wqy/wqy-microhei.ttc')
CJK_FACE = 'WenQuanYi Micro Hei'
FONT_LINKS_KEY = r'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
PREFIX_READY = '.tavrelonim-prefix-ready'
SKIP_RETURN_CODE = 77
SAMPLE_PRINTERS = ('Escritorio_A', 'Escritorio_B', 'Sala_C')
DESKTOP_SIZE = '1024x700'
PRINTER_PORTS_KEY = r'HKCU\Software\Microsoft\Windows NT\CurrentVersion\PrinterPorts'
WINDOWS_KEY = r'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'


def is_32bit(program):
    """Whether a file is a 32-bit x86 Windows program (machine i386 in its PE header)."""
    try:
        with open(program, 'rb') as image:
            header = image.read(4096)
    except OSError:
        return False  # a program of Wine's own, named rather than found: the prefix's native one
    if header[:2] != b'MZ' or len(header) < 0x40:
        return False
    pe = int.from_bytes(header[0x3C:0x40], 'little')
    return header[pe:pe + 4] == b'PE\0\0' and int.from_bytes(header[pe + 4:pe + 6], 'little') == 0x14C


def loader_for(program):
    return WINE32 if is_32bit(program) else WINE64


def _wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.1)
    raise TimeoutError(f'{what} did not come up within {seconds} s')


def _daemon(argv, log, env=None):
    """Starts a server in a session of its own, detached from the caller's output pipes."""
    with open(log, 'ab') as out:
        return subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=out, env=env,
                                start_new_session=True).pid


def stop_pid(pid):
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    for _ in range(50):
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return
        time.sleep(0.1)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def start_cups(root, printers=SAMPLE_PRINTERS, default=SAMPLE_PRINTERS[0]):
    """A CUPS server of our own on a socket in root, with the given printers. Returns (socket, pid)."""
    root = Path(root)
    for sub in ('spool', 'cache', 'state', 'tmp', 'log'):
        (root / sub).mkdir(parents=True, exist_ok=True)
    sock = root / 'cups.sock'
    (root / 'cupsd.conf').write_text(
        f'Listen {sock}\nLogLevel warn\nWebInterface No\n'
        '<Location />\n  Order allow,deny\n  Allow all\n</Location>\n'
        '<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n')
    (root / 'cups-files.conf').write_text(
        f'ServerRoot {root}\nRequestRoot {root}/spool\nCacheDir {root}/cache\nStateDir {root}/state\n'
        f'TempDir {root}/tmp\nErrorLog {root}/log/error_log\nAccessLog {root}/log/access_log\n'
        f'PageLog {root}/log/page_log\nFileDevice Yes\n')
    pid = _daemon(['cupsd', '-f', '-c', str(root / 'cupsd.conf'), '-s', str(root / 'cups-files.conf')],
                  root / 'log' / 'cupsd.out')
    env = dict(os.environ, CUPS_SERVER=str(sock))
    _wait_for(lambda: subprocess.run(['lpstat', '-r'], env=env, capture_output=True).returncode == 0, 20,
              'the CUPS server')
    try:
        for name in printers:
            set_cups_printer(sock, name)
        if default:
            _lpadmin(['-d', default], env)
    except Exception:
        stop_pid(pid)
        raise
    return str(sock), pid


def set_cups_printer(cups_server, name, present=True):
    """Adds a printer to a CUPS server of start_cups's, or takes it away again."""
    env = dict(os.environ, CUPS_SERVER=str(cups_server))
    _lpadmin(['-p', name, '-E', '-v', 'file:///dev/null'] if present else ['-x', name], env)


def _lpadmin(arguments, env):
    """lpadmin, tried again for a while: a server that already answers lpstat can still refuse
    its first changes."""
    deadline = time.monotonic() + 20
    while True:
        result = subprocess.run(['lpadmin', *arguments], env=env, capture_output=True, text=True)
        if result.returncode == 0:
            return
        if time.monotonic() > deadline:
            raise RuntimeError(f'lpadmin {" ".join(arguments)} failed: {result.stderr.strip()}')
        time.sleep(0.5)


def start_display(log):
    """An Xvfb display of its own; returns (':N', pid)."""
    for number in range(90, 140):
        if Path(f'/tmp/.X11-unix/X{number}').exists() or Path(f'/tmp/.X{number}-lock').exists():
            continue
        pid = _daemon(['Xvfb', f':{number}', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'], log)
        try:
            _wait_for(lambda: Path(f'/tmp/.X11-unix/X{number}').exists(), 10, 'Xvfb')
        except TimeoutError:
            stop_pid(pid)
            continue
        return f':{number}', pid
    raise RuntimeError('no free X display number')


class Wine:
    """Runs programs in one prefix, on one display, against one CUPS server."""

    def __init__(self, prefix, display=None, cups_server=None):
        self.env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG='-all', WINEDLLOVERRIDES='mscoree,mshtml=')
        if display:
            self.env['DISPLAY'] = display
        if cups_server:
            self.env['CUPS_SERVER'] = cups_server
        self.prefix = Path(prefix)

    def run(self, *argv, timeout=60, check=True):
        # Output goes through files: wineserver and the desktop process that a first program starts
        # inherit its handles and outlive it, so a pipe would never reach its end.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen([loader_for(argv[0]), *map(str, argv)], env=self.env,
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            try:
                code = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                raise
            out.seek(0)
            err.seek(0)
            said = out.read().decode('utf-8', errors='replace')
            if check and code != 0:
                # Wine's console programs report their errors on standard output.
                raise RuntimeError(f'{argv} exited {code}: {said.strip()} {err.read().decode(errors="replace")}')
            return said

    def start(self, *argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
        return subprocess.Popen([loader_for(argv[0]), *map(str, argv)], env=self.env, stdin=stdin, stdout=stdout,
                                stderr=stderr)

    @staticmethod
    def windows_path(path):
        """The path as Wine programs take it: a leading / reads as a switch to reg."""
        return 'Z:' + str(Path(path).resolve()).replace('/', '\\')

    def reg_add(self, key, name, value):
        self.run('reg', 'add', key, '/v', name, '/d', value, '/f')

    def reg_add_dword(self, key, name, value):
        self.run('reg', 'add', key, '/v', name, '/t', 'REG_DWORD', '/d', str(value), '/f')

    def reg_dword(self, key, name):
        """A REG_DWORD value as a number; None when the value or its key is absent. A query that
        fails otherwise, or finds a value of another type, raises: it is not an absent value."""
        said = self.run('reg', 'query', key, '/v', name, check=False)
        for line in said.splitlines():
            if '    REG_DWORD    ' in line:
                return int(line.split('    REG_DWORD    ', 1)[1].strip(), 16)
        if said.strip() in ('reg: Unable to find the specified registry value',
                            'reg: Unable to find the specified registry key'):
            return None
        raise RuntimeError(f'reg query {key} /v {name} gave no REG_DWORD: {said.strip()!r}')

    def reg_delete(self, key, name=None):
        self.run('reg', 'delete', key, *(('/v', name) if name is not None else ()), '/f', check=False)

    def reg_values(self, key):
        """The values of a key, in the registry's order, as {name: data}."""
        out = self.run('reg', 'query', key, check=False)
        values = {}
        for line in out.splitlines():
            if '    REG_SZ    ' in line:
                name, data = line.strip('\r').split('    REG_SZ    ', 1)
                values[name[4:]] = data
            elif line.rstrip('\r').endswith('    REG_SZ'):
                values[line.strip('\r')[4:-len('    REG_SZ')]] = ''
        return values

    def kill_all(self):
        """Ends every program and the wineserver; once it has gone, its registry is on disk."""
        subprocess.run([WINESERVER, '-k'], env=self.env, capture_output=True)
        subprocess.run([WINESERVER, '-w'], env=self.env, capture_output=True, timeout=30)

    def keep_user_registry(self, snapshot):
        """Copies the current user's registry (HKCU) aside, with Wine stopped."""
        self.kill_all()
        shutil.copyfile(self.prefix / 'user.reg', snapshot)

    def restore_user_registry(self, snapshot):
        """Puts HKCU back as it was kept, whatever a program or a test did to it since. Files, not
        reg.exe: nothing in Wine has to run, so nothing of Wine's can fail halfway."""
        self.kill_all()
        shutil.copyfile(snapshot, self.prefix / 'user.reg')

    def init(self):
        """Makes the prefix, once: Wine's own fonts and a CJK one, one virtual desktop for every
        program, Arial as on Windows, with the CJK font linked to it."""
        if (self.prefix / PREFIX_READY).exists():
            return
        self.run('wineboot', '-i', timeout=180, check=False)
        subprocess.run([WINESERVER, '-w'], env=self.env, capture_output=True, timeout=120)
        # A prefix made by the 64-bit loader alone never gets Wine's own fonts (MS Sans Serif,
        # Tahoma, Marlett for the caption buttons...): every face would fall back to one.
        fonts = self.prefix / 'drive_c' / 'windows' / 'Fonts'
        fonts.mkdir(parents=True, exist_ok=True)
        for font in [*WINE_FONTS.glob('*'), CJK_FONT]:
            if not (fonts / font.name).exists():
                shutil.copy2(font, fonts / font.name)
        # A program that crashes ends, as under a test harness on Windows, rather than waiting on
        # Wine's crash dialog for someone to close it.
        self.reg_add_dword(r'HKCU\Software\Wine\WineDbg', 'ShowCrashDialog', 0)
        self.reg_add(r'HKCU\Software\Wine\Explorer', 'Desktop', 'Default')
        self.reg_add(r'HKCU\Software\Wine\Explorer\Desktops', 'Default', DESKTOP_SIZE)
        # Windows ships Arial; its metric twin stands in for it here.
        self.reg_add(r'HKCU\Software\Wine\Fonts\Replacements', 'Arial', 'Liberation Sans')
        # Scripts the face lacks come from the CJK font, as Windows' font linking gives them. Wine
        # looks a link up by the chosen face's full name, so the bold face the list uses has its own.
        for face in ('Arial', 'Liberation Sans', 'Liberation Sans Bold'):
            self.run('reg', 'add', FONT_LINKS_KEY, '/v', face, '/t', 'REG_MULTI_SZ', '/d',
                     f'{CJK_FONT.name},{CJK_FACE}', '/f')
        self.kill_all()
        (self.prefix / PREFIX_READY).touch()

    def why_32bit_cannot_run(self, check_program):
        """None when a tiny 32-bit program (one that prints its argument) runs here; otherwise
        why not. A 32-bit program given to the 64-bit loader alone exits 0 and prints nothing, so
        its words are what counts, never its exit code."""
        token = f'ran-{os.getpid()}-{time.monotonic_ns()}'
        try:
            said = self.run(check_program, token, check=False, timeout=120)
        except subprocess.TimeoutExpired:
            return 'a 32-bit program did not end within 120 s'
        return None if token in said else f'a 32-bit program did not run (it printed {said.strip()[:200]!r})'


def build_folder_of(program):
    """The CMake build folder a program was built in: the nearest folder above it with a cache."""
    for folder in Path(program).resolve().parents:
        if (folder / 'CMakeCache.txt').is_file():
            return folder
    return None


def scratch_prefix(program):
    """One prefix per build folder, inside it, so that no test run of one checkout or build folder
    sees the profile or the Wine server of another's, and the prefix goes with its folder;
    WINEPREFIX, when set, is taken as it is."""
    if os.environ.get('WINEPREFIX'):
        return Path(os.environ['WINEPREFIX'])
    build = build_folder_of(program)
    if build is not None:
        return build / 'wineprefix'
    return Path(tempfile.gettempdir()) / f'tavrelonim-wineprefix-{os.getuid()}'


def kernel_runs_32bit_programs():
    """Whether the kernel starts a 32-bit x86 ELF program: some are built or booted without that."""
    try:
        subprocess.run([WINE32, '--version'], capture_output=True, timeout=60, check=False)
    except OSError as error:
        if error.errno == errno.ENOEXEC:
            return False
        raise
    return True


def skip_unless_32bit_runs(wine, program):
    """For a 32-bit program. Where this machine has no 32-bit Wine, says why and exits with the
    code ctest counts as skipped. Where it has one, a check that fails is a failure, never a skip:
    the install step gave this machine a 32-bit Wine, so the x86 sets must run. Only success is
    kept in the prefix: a passing fault (a time-out on a busy machine) is asked again next time."""
    check = os.environ.get('TAVRELONIM_32BIT_CHECK')
    if not is_32bit(program) or not check:
        return
    answer = wine.prefix / '.tavrelonim-32bit-runs'
    if answer.exists():
        return
    if not Path(WINE32).exists():
        print(f'skipped: this machine cannot run 32-bit Windows programs: there is no 32-bit Wine loader '
              f'({WINE32}; Debian package wine32:i386)')
        sys.exit(SKIP_RETURN_CODE)
    if not kernel_runs_32bit_programs():
        print('skipped: this machine cannot run 32-bit Windows programs: its kernel runs no 32-bit x86 '
              'program at all (no IA-32 emulation), not even the 32-bit Wine loader, and no user-mode '
              'emulator is registered for them (scripts/x86-emulation.sh describe says why)')
        sys.exit(SKIP_RETURN_CODE)
    reason = wine.why_32bit_cannot_run(check)
    if reason is not None:
        print(f'failed: this machine has a 32-bit Wine, yet {reason}')
        sys.exit(1)
    answer.touch()


def run_program(argv):
    """ctest's emulator: runs a Windows program in its build folder's scratch prefix, with its exit
    code. With TAVRELONIM_WINENV_DESKTOP=1 the program also gets, for its run alone, a private CUPS
    server with the sample printers and a virtual display, as the end-to-end environment has."""
    prefix = scratch_prefix(argv[0])
    if os.environ.get('TAVRELONIM_WINENV_DESKTOP') != '1':
        return _run_in(Wine(prefix), argv)
    with tempfile.TemporaryDirectory(prefix='tavrelonim-desktop-') as scratch:
        cups, cups_pid = start_cups(Path(scratch) / 'cups')
        display_pid = None
        wine = None
        try:
            display, display_pid = start_display(Path(scratch) / 'xvfb.log')
            wine = Wine(prefix, display, cups)
            wine.kill_all()  # a server still running from an earlier run knows another display
            return _run_in(wine, argv)
        finally:
            if wine is not None:
                wine.kill_all()
            for pid in (display_pid, cups_pid):
                if pid is not None:
                    stop_pid(pid)


def _run_in(wine, argv):
    wine.init()
    skip_unless_32bit_runs(wine, argv[0])
    return subprocess.run([loader_for(argv[0]), *argv], env=wine.env).returncode


def env_up(directory):
    """Starts everything in directory and records it in directory/env.json."""
    directory = Path(directory)
    if directory.exists():
        env_down(directory)
        shutil.rmtree(directory, ignore_errors=True)
    directory.mkdir(parents=True)
    cups, cups_pid = start_cups(directory / 'cups')
    try:
        display, display_pid = start_display(directory / 'xvfb.log')
    except Exception:
        stop_pid(cups_pid)
        raise
    wine = Wine(directory / 'prefix', display, cups)
    try:
        wine.init()
    except Exception:
        wine.kill_all()
        for pid in (display_pid, cups_pid):
            stop_pid(pid)
        raise
    # The profile as Wine leaves it when it first meets the printers: every test starts from it.
    wine.keep_user_registry(directory / 'user.reg.fresh')
    state = {'cups_server': cups, 'display': display, 'prefix': str(directory / 'prefix'),
             'pids': [display_pid, cups_pid], 'printers': list(SAMPLE_PRINTERS),
             'fresh_user_registry': str(directory / 'user.reg.fresh')}
    (directory / 'env.json').write_text(json.dumps(state))
    return state


def env_down(directory):
    state_file = Path(directory) / 'env.json'
    if not state_file.exists():
        return
    state = json.loads(state_file.read_text())
    Wine(state['prefix'], state['display'], state['cups_server']).kill_all()
    for pid in state['pids']:
        stop_pid(pid)
    # Over a gigabyte (Wine copies its libraries into a prefix), and up always makes a new one.
    shutil.rmtree(state['prefix'], ignore_errors=True)
    state_file.unlink()


if __name__ == '__main__':
    if len(sys.argv) > 2 and sys.argv[1] == 'run':
        sys.exit(run_program(sys.argv[2:]))
    if len(sys.argv) != 3 or sys.argv[1] not in ('up', 'down'):
        sys.exit('usage: winenv.py run EXE [ARGUMENTS] | up|down DIRECTORY')
    (env_up if sys.argv[1] == 'up' else env_down)(sys.argv[2])
