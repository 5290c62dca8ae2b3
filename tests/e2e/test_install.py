"""The installer: the .msi installs the utility for the whole machine, the installed exe opens with
the printers, and uninstalling leaves neither the exe, nor its Start-menu shortcut, nor its entry
among the installed programs. One architecture's package installed over the other's replaces it."""
import os
import subprocess
import tempfile
from pathlib import Path

import e2e
import winenv

PRODUCT = 'Tavrelonim Controle de quimberatos'
PUBLISHER = 'Tavrelonim'
UNINSTALL_KEY = r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'


class InstallTest(e2e.UtilityTest):
    def build_msi(self, folder, build_dir=None):
        subprocess.run([os.environ['TAVRELONIM_CPACK'], '-G', 'External', '-B', str(folder)],
                       cwd=build_dir or os.environ['TAVRELONIM_BUILD_DIR'], check=True, capture_output=True)
        packages = list(Path(folder).glob('tavrelonim-*-windows-*.msi'))
        self.assertEqual(len(packages), 1, packages)
        return packages[0]

    def uninstall_entry(self, view):
        """The Add/Remove Programs entry of the product, as {value: data}; None when there is none."""
        values = {}
        for line in self.wine.run('reg', 'query', UNINSTALL_KEY, '/s', view, check=False).splitlines():
            line = line.rstrip('\r')
            if line.startswith('HKEY_'):
                if values.get('DisplayName') == PRODUCT:
                    return values
                values = {}
            elif '    REG_' in line:
                name, _, data = line.strip().partition('    ')
                values[name] = data.partition('    ')[2]
        return values if values.get('DisplayName') == PRODUCT else None

    def shortcuts(self):
        drive = self.wine.prefix / 'drive_c'
        menus = [drive / 'ProgramData/Microsoft/Windows/Start Menu/Programs',
                 *drive.glob('users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs')]
        return [menu / f'{PRODUCT}.lnk' for menu in menus if (menu / f'{PRODUCT}.lnk').exists()]

    def test_installs_for_the_machine_runs_and_uninstalls_without_a_trace(self):
        is32 = winenv.is_32bit(self.exe)
        program_files = 'Program Files (x86)' if is32 else 'Program Files'
        view = '/reg:32' if is32 else '/reg:64'
        installed = self.wine.prefix / 'drive_c' / program_files / 'Tavrelonim' / 'tavrelonim.exe'
        with tempfile.TemporaryDirectory() as scratch:
            msi = self.build_msi(scratch)
            version = msi.name.split('-')[1]
            self.wine.run('msiexec', '/i', self.wine.windows_path(msi), '/qn', timeout=300)
            self.addCleanup(self.wine.run, 'msiexec', '/x', self.wine.windows_path(msi), '/qn', timeout=300,
                            check=False)

            self.assertEqual(installed.read_bytes(), self.exe.read_bytes())
            self.assertTrue((installed.parent / 'README.md').exists())
            self.assertTrue((installed.parent / 'LICENSE').exists())
            self.assertEqual(len(self.shortcuts()), 1)
            entry = self.uninstall_entry(view)
            self.assertIsNotNone(entry, 'no entry among the installed programs')
            self.assertEqual((entry['DisplayVersion'], entry['Publisher']), (version, PUBLISHER))

            layout = self.start(expect_entries=len(self.state['printers']), exe=installed)
            self.assertEqual(sorted(layout['entries']), sorted(self.state['printers']))
            self.kill_all()

            self.wine.run('msiexec', '/x', self.wine.windows_path(msi), '/qn', timeout=300)
            self.assertFalse(installed.exists())
            self.assertEqual(self.shortcuts(), [])
            self.assertIsNone(self.uninstall_entry(view))

    def installed_exes(self):
        drive = self.wine.prefix / 'drive_c'
        return [folder / 'Tavrelonim' / 'tavrelonim.exe' for folder in (drive / 'Program Files', drive / 'Program Files (x86)')
                if (folder / 'Tavrelonim' / 'tavrelonim.exe').exists()]

    def entries(self):
        return [entry for entry in (self.uninstall_entry('/reg:64'), self.uninstall_entry('/reg:32')) if entry]

    def test_either_architecture_replaces_the_other(self):
        if winenv.is_32bit(self.exe):
            self.skipTest('the x64 set installs both architectures, in both orders')
        other_build = Path(os.environ['TAVRELONIM_OTHER_BUILD_DIR'])
        if not (other_build / 'CMakeCache.txt').exists():
            self.skipTest(f'the x86 build is not there to package ({other_build})')
        with tempfile.TemporaryDirectory() as scratch:
            x64 = self.build_msi(Path(scratch) / 'x64')
            x86 = self.build_msi(Path(scratch) / 'x86', other_build)
            for first, second, left in ((x64, x86, 'Program Files (x86)'), (x86, x64, 'Program Files')):
                with self.subTest(first=first.name, then=second.name):
                    for package in (first, second):
                        self.wine.run('msiexec', '/i', self.wine.windows_path(package), '/qn', timeout=300)
                    drive = self.wine.prefix / 'drive_c'
                    self.assertEqual(self.installed_exes(), [drive / left / 'Tavrelonim' / 'tavrelonim.exe'])
                    self.assertEqual(len(self.shortcuts()), 1)
                    self.assertEqual(len(self.entries()), 1)
                    self.wine.run('msiexec', '/x', self.wine.windows_path(second), '/qn', timeout=300)
                    self.assertEqual((self.installed_exes(), self.shortcuts(), self.entries()), ([], [], []))


if __name__ == '__main__':
    e2e.main()
