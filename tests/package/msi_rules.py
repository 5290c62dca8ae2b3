"""Windows Installer's own validation rules that a package built by wixl can break and Wine's
msiexec never checks, read from the package's tables with msiinfo (msitools):

- ICE03: a file, directory or shortcut name that is not a valid short (8.3) name gives one too,
  as `short|long`;
- ICE38 and ICE43: a component that holds a non-advertised shortcut in a user-profile folder is
  keyed on an HKCU registry value;
- one utility a machine: the package removes the other architecture's (its Upgrade table names
  that upgrade code, not only to detect it).

Usage: msi_rules.py PACKAGE.msi OTHER_UPGRADE_CODE    prints "ok: ..." or "FAIL: ..." a rule"""
import re
import subprocess
import sys

# Folders that resolve into the user's profile (or the all-users one, which ICE38 treats alike).
PROFILE_FOLDERS = {'AppDataFolder', 'DesktopFolder', 'FavoritesFolder', 'LocalAppDataFolder', 'NetHoodFolder',
                   'PersonalFolder', 'PrintHoodFolder', 'ProgramMenuFolder', 'RecentFolder', 'SendToFolder',
                   'StartMenuFolder', 'StartupFolder', 'TemplateFolder', 'MyPicturesFolder'}
SHORT_NAME = re.compile(r'^[^\\?|><:/*"+,;=\[\] .]{1,8}(\.[^\\?|><:/*"+,;=\[\] .]{1,3})?$')
REGISTRY_KEY_PATH = 0x4
HKCU = 1
ONLY_DETECT = 0x2


def table(package, name):
    """A table's rows as lists of columns (msiinfo export: three header lines, tab-separated)."""
    said = subprocess.run(['msiinfo', 'export', package, name], capture_output=True, text=True, check=True).stdout
    return [line.split('\t') for line in said.replace('\r\n', '\n').split('\n')[3:] if line]


def names_without_short(value):
    """The names in a Filename value (Directory's target:source too) that need a short name and
    give none."""
    missing = []
    for part in value.split(':'):
        if part in ('.', '') or '|' in part:
            continue
        if not SHORT_NAME.match(part):
            missing.append(part)
    return missing


def check(package, other_upgrade_code):
    failures = []
    for table_name, column in (('File', 2), ('Directory', 2), ('Shortcut', 2)):
        for row in table(package, table_name):
            if table_name == 'Directory' and not row[1] and row[2] in ('SourceDir', 'SOURCEDIR'):
                continue  # the root's name is the installer's keyword, not a folder's
            for name in names_without_short(row[column]):
                failures.append(f'ICE03: {table_name} {row[0]} names {name!r} with no short name')
    directories = {row[0]: row[1] for row in table(package, 'Directory')}

    def in_profile(directory):
        while directory:
            if directory in PROFILE_FOLDERS:
                return True
            directory = directories.get(directory)
        return False

    components = {row[0]: row for row in table(package, 'Component')}
    features = {row[0] for row in table(package, 'Feature')}
    registry = {row[0]: row for row in table(package, 'Registry')}
    for shortcut in table(package, 'Shortcut'):
        component = components[shortcut[3]]
        if shortcut[4] in features or not in_profile(component[2]):
            continue  # advertised, or not in a user-profile folder
        key = registry.get(component[5])
        if not (int(component[3]) & REGISTRY_KEY_PATH and key and int(key[1]) == HKCU):
            failures.append(f'ICE38/ICE43: component {component[0]} holds shortcut {shortcut[0]} in '
                            f'{component[2]} but is not keyed on an HKCU value')
    other = other_upgrade_code.strip('{}').upper()
    removes_other = any(row[0].strip('{}').upper() == other and not int(row[4] or 0) & ONLY_DETECT
                        for row in table(package, 'Upgrade'))
    if not removes_other:
        failures.append(f'one install a machine: the Upgrade table does not remove {{{other}}}')
    return failures


if __name__ == '__main__':
    found = check(*sys.argv[1:3])
    for failure in found:
        print(f'FAIL: {failure}')
    if not found:
        print('ok: short names given, profile shortcuts keyed on HKCU, the other architecture replaced')
    sys.exit(1 if found else 0)
