"""Driving the real utility under Wine as a person would: xdotool clicks and keys on the virtual
desktop, the probe reading the window back, the registry and the spooler checked afterwards."""
import json
import os
import select
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'tools' / 'winenv'))
import winenv  # noqa: E402

LIST_BORDER = 2  # WS_EX_CLIENTEDGE
# Active Accessibility's roles, states and events (oleacc.h, winuser.h).
ROLE_LIST, ROLE_LIST_ITEM = 0x21, 0x22
STATE_SELECTED, STATE_FOCUSED, STATE_CHECKED, STATE_OFFSCREEN = 0x2, 0x4, 0x10, 0x10000
STATE_FOCUSABLE, STATE_SELECTABLE = 0x100000, 0x200000
EVENT_STATE_CHANGE, EVENT_DESCRIPTION_CHANGE = 0x800A, 0x800D
# UI Automation's control types (UIAutomationClient.h).
UIA_LIST_ITEM, UIA_LIST = 50007, 50008
# The window's control IDs by name, as the probe reads them from the window's contract.
ID = {}


class Probe:
    """One probe process for a test: a command a line in, an answer a line out."""

    def __init__(self, wine, exe, errors=None):
        self.wine, self.exe, self.errors = wine, exe, errors
        self.process = self._start()
        self.pending = b''
        self.answered = 0
        self.restarted = False

    def _start(self):
        # What it and Wine say on its standard error (a crash's report among it) is kept, so that a
        # probe that ends early says why.
        errors = open(self.errors, 'ab') if self.errors else subprocess.DEVNULL  # noqa: SIM115
        try:
            return self.wine.start(self.exe, 'serve', stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=errors)
        finally:
            if self.errors:
                errors.close()

    def ask(self, *argv, timeout=60):
        try:
            return self._ask(argv, timeout)
        except (RuntimeError, BrokenPipeError):
            # Seen once in CI, on a loaded machine: a probe just started by a test ended at its first
            # question; 100 starts beside a starting utility, on an idle and on a loaded machine,
            # never repeated it. Its own start is started again, once, and said with its exit code
            # and its standard error; anything later is a failure.
            if self.answered or self.restarted:
                raise
            said = Path(self.errors).read_text(errors='replace')[-2000:] if self.errors else ''
            print(f'\n  the probe ended at its first question (exit code {self.process.poll()}; it said '
                  f'{said.strip()!r}); started again')
            self.restarted = True
            self.process = self._start()
            self.pending = b''
            return self._ask(argv, timeout)

    def _ask(self, argv, timeout):
        self.process.stdin.write(('\t'.join(map(str, argv)) + '\n').encode())
        self.process.stdin.flush()
        # Read with a deadline: the answer's line, however the pipe cuts it.
        deadline = time.monotonic() + timeout
        fd = self.process.stdout.fileno()
        while b'\n' not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise TimeoutError(f'the probe did not answer {argv} within {timeout} s')
            chunk = os.read(fd, 65536)
            if not chunk:
                raise RuntimeError(f'the probe ended while asked {argv}')
            self.pending += chunk
        line, self.pending = self.pending.split(b'\n', 1)
        self.answered += 1
        return line.decode('utf-8', errors='replace').rstrip('\r')

    def close(self):
        try:
            self.process.stdin.close()
            self.process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()


class UtilityTest(unittest.TestCase):
    """Each test starts from a clean desktop with the utility not running, and from the profile as
    Wine first wrote it."""

    @classmethod
    def setUpClass(cls):
        cls.env_dir = Path(os.environ['TAVRELONIM_E2E_ENV'])
        cls.state = json.loads((cls.env_dir / 'env.json').read_text())
        cls.exe = Path(os.environ['TAVRELONIM_EXE'])
        cls.probe_exe = Path(os.environ['TAVRELONIM_PROBE'])
        cls.artifacts = Path(os.environ.get('TAVRELONIM_ARTIFACTS', cls.env_dir / 'artifacts'))
        cls.artifacts.mkdir(parents=True, exist_ok=True)
        cls.wine = winenv.Wine(cls.state['prefix'], cls.state['display'], cls.state['cups_server'])
        cls.xenv = dict(os.environ, DISPLAY=cls.state['display'])
        if not ID:
            probe = Probe(cls.wine, cls.probe_exe)
            ID.update(json.loads(probe.ask('ids')))
            probe.close()

    def setUp(self):
        # The profile as Wine first wrote it: no test sees what an earlier one changed or lost.
        self.wine.restore_user_registry(self.state['fresh_user_registry'])
        self.process = None
        self.others = []
        self.prober = None

    def assert_section_order(self, entries):
        """The list holds the section's keys in the profile's order, read with the Unicode calls."""
        self.assertEqual(entries, json.loads(self.probe('section', 'PrinterPorts')))

    def tearDown(self):
        for other in self.others:
            other.kill()
        self.kill_all()

    def kill_all(self):
        """Ends every Wine program, the probe among them; the next question starts a new one."""
        if self.prober is not None:
            self.prober.close()
            self.prober = None
        self.wine.kill_all()

    # The utility.
    def start(self, expect_entries=None, exe=None):
        self.process = self.wine.start(exe or self.exe)
        deadline = time.monotonic() + 60
        while True:
            layout = self.layout()
            if layout.get('found') and layout.get('visible') and (expect_entries is None or len(layout['entries']) >= expect_entries):
                return layout
            self.assertLess(time.monotonic(), deadline, 'the window did not come up with its list')
            time.sleep(0.2)

    def layout(self):
        return json.loads(self.probe('layout') or '{}')

    def probe(self, *argv):
        """Asks this test's probe; it starts with the first question."""
        if self.prober is None:
            self.prober = Probe(self.wine, self.probe_exe, self.artifacts / 'probe-errors.txt')
        return self.prober.ask(*argv)

    def wait_exit(self, seconds=10):
        try:
            return self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            self.fail(f'the utility was still running {seconds} s later')

    def start_other(self, name, *argv):
        """Another program's window (the probe's hang, slow or listen), kept until the test ends;
        gives the file its output goes to, once it has said it is ready."""
        said = self.env_dir / f'{name}.txt'
        with open(said, 'wb') as out:
            self.others.append(self.wine.start(self.probe_exe, *argv, stdout=out))
        self.wait_until(lambda: 'ready' in said.read_text(), seconds=30, what=f'the {name} window')
        return said

    # Input, in X coordinates of the virtual desktop.
    def desktop_origin(self):
        out = subprocess.run(['xdotool', 'search', '--name', 'Wine desktop'], env=self.xenv, capture_output=True,
                             text=True).stdout.split()
        if not out:
            return 0, 0
        geometry = subprocess.run(['xdotool', 'getwindowgeometry', '--shell', out[0]], env=self.xenv,
                                  capture_output=True, text=True).stdout
        values = dict(line.split('=') for line in geometry.split())
        return int(values.get('X', 0)), int(values.get('Y', 0))

    def click_at(self, x, y):
        ox, oy = self.desktop_origin()
        subprocess.run(['xdotool', 'mousemove', str(ox + x), str(oy + y), 'click', '1'], env=self.xenv, check=True)

    def control(self, layout, control_id):
        return next(c for c in layout['controls'] if c['id'] == control_id)

    def click_control(self, layout, control_id):
        left, top, width, height = self.control(layout, control_id)['screen']
        self.click_at(left + width // 2, top + height // 2)

    def hover_entry(self, layout, index):
        """Rests the mouse on the entry's row, a little in from the list's left edge."""
        left, top, _, _ = self.control(layout, ID['List1'])['screen']
        ox, oy = self.desktop_origin()
        y = top + LIST_BORDER + layout['item_height'] * index + layout['item_height'] // 2
        subprocess.run(['xdotool', 'mousemove', str(ox + left + 60), str(oy + y)], env=self.xenv, check=True)

    def click_entry(self, layout, index):
        left, top, _, _ = self.control(layout, ID['List1'])['screen']
        self.click_at(left + 40, top + LIST_BORDER + layout['item_height'] * index + layout['item_height'] // 2)

    def marked_rows(self, layout):
        """The rows whose left margin shows a mark, judged from the screen: anything inside a row's
        margin but its own background (the margin's edges are left out, where a focus rectangle
        runs)."""
        left, top, _, _ = self.control(layout, ID['List1'])['screen']
        height, rows = layout['item_height'], len(layout['entries'])
        shot = self.screenshot('marks')
        crop = f'{height}x{height * rows}+{left + LIST_BORDER}+{top + LIST_BORDER}'
        text = subprocess.run(['convert', str(shot), '-crop', crop, '+repage', '-depth', '8', 'txt:-'],
                              capture_output=True, text=True, check=True).stdout
        pixels = {}
        for line in text.splitlines()[1:]:
            at, colour = line.split(':', 1)
            x, y = map(int, at.split(','))
            pixels[x, y] = colour.split('#')[1][:6]
        marked = []
        for row in range(rows):
            background = pixels[1, row * height + 1]
            if any(pixels[x, row * height + y] != background for x in range(2, height - 2) for y in range(2, height - 2)):
                marked.append(row)
        return marked

    def accessible_marks(self):
        """The rows a screen reader hears as the default: checked, and described so."""
        tree = json.loads(self.probe('acc-tree'))
        checked = [i for i, child in enumerate(tree['children']) if child['state'] & STATE_CHECKED]
        described = [i for i, child in enumerate(tree['children']) if child['description'] == 'Padrão']
        return checked if checked == described else ('checked', checked, 'described', described)

    def automation_marks(self):
        """The rows a UI Automation client hears as the default: ItemStatus "Padrão"."""
        items = json.loads(self.probe('uia-tree'))['items']
        return [i for i, item in enumerate(items) if item['status'] == 'Padrão']

    def wait_for_mark(self, layout, row, what):
        """Waits until exactly that row is marked (None: no row); gives the seconds it took."""
        started = time.monotonic()
        want = [] if row is None else [row]
        self.wait_until(lambda: self.marked_rows(layout) == want, what=what)
        self.assertEqual(self.accessible_marks(), want, f'{what}, as a screen reader hears it')
        self.assertEqual(self.automation_marks(), want, f'{what}, as a UI Automation client hears it')
        return time.monotonic() - started

    def key(self, key, until=None, what=None):
        """Presses one key; with until, waits for what the key must cause (a predicate over the
        window's layout) before the next one may go. A key's effect is never assumed after a
        while: a caller without until waits for its own effect."""
        # Keys reach the utility only once it (or a box it owns) is active, which comes a moment
        # after it is shown; and they go to the window under the pointer: rest it on the client area.
        layout = self.wait_until(lambda: (lambda now: now if now.get('active') else None)(self.layout()),
                                 what='the utility being active')
        x, y = layout['client_origin']
        ox, oy = self.desktop_origin()
        subprocess.run(['xdotool', 'mousemove', str(ox + x + 600), str(oy + y + 290)], env=self.xenv, check=True)
        subprocess.run(['xdotool', 'key', key], env=self.xenv, check=True)
        if until is not None:
            return self.wait_until(lambda: (lambda now: now if until(now) else None)(self.layout()),
                                   what=what or f'what {key} must cause')
        return None

    def screenshot(self, name):
        path = self.artifacts / f'{name}.png'
        subprocess.run(['import', '-window', 'root', '-crop', winenv.DESKTOP_SIZE + '+0+0', str(path)],
                       env=self.xenv, check=True, capture_output=True)
        return path

    # What the system records.
    def device_line(self):
        """windows/Device as programs read it; None when absent."""
        return json.loads(self.probe('profile', 'windows', 'Device'))

    def wait_until(self, predicate, seconds=10, what='the expected change'):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = predicate()
            if value:
                return value
            time.sleep(0.2)
        self.fail(f'{what} did not happen within {seconds} s')


def main():
    # A 32-bit build's suites are skipped, and counted so by ctest, where such programs cannot run.
    env_dir = Path(os.environ['TAVRELONIM_E2E_ENV'])
    state = json.loads((env_dir / 'env.json').read_text())
    winenv.skip_unless_32bit_runs(winenv.Wine(state['prefix']), os.environ['TAVRELONIM_EXE'])
    unittest.main(verbosity=2)
