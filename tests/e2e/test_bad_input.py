"""Unusual profiles: each has a defined outcome, and no entry is lost or cut."""
import json
import time

import e2e
import winenv

SPECIAL = {
    ' Lead': 'wineps.drv,CUPS:Escritorio_A,15,45',
    'Trail ': 'wineps.drv,CUPS:Escritorio_B,15,45',
    'Impressora Recepção': 'wineps.drv,CUPS:Sala_C,15,45',
    'Porta Longa': 'wineps.drv,CUPS:' + 'L' * 1100 + ',15,45',
    'Sem Virgula': 'wineps.drv',
}

# Shared printers of one print server, whole names of 90 characters and more, differing only in
# their last word.
SERVER = '\\\\servidor-impressao.filial-norte.exemplo\\Andar_3_Colorida_Laser_Duplex_A3_Modelo_X'
LONG_NAMES = (SERVER + '_Frente', SERVER + '_Fundos')

# Names in other scripts, as Windows stores them: Cyrillic, Greek, CJK, an emoji past the 16-bit plane.
UNICODE_NAMES = ('Печать Склад 2', 'Εκτυπωτής Γραφείου', 'Drucker Ω 東京', 'Impressora 🖨️')


class BadInputTest(e2e.UtilityTest):
    def import_values(self, values):
        """Writes many PrinterPorts values at once (a UTF-16 .reg file keeps every character)."""
        lines = ['Windows Registry Editor Version 5.00', '',
                 '[' + winenv.PRINTER_PORTS_KEY.replace('HKCU', 'HKEY_CURRENT_USER') + ']']
        for name, data in values.items():
            lines.append('"%s"="%s"' % (name.replace('\\', '\\\\').replace('"', '\\"'), data))
        path = self.env_dir / 'import.reg'
        path.write_bytes(('\r\n'.join(lines) + '\r\n').encode('utf-16'))
        self.wine.run('reg', 'import', self.wine.windows_path(path))

    def profile(self, section, key):
        return json.loads(self.probe('profile', section, key))

    def select_and_wait(self, layout, name):
        """Clicks the entry and waits for its request to have ended: the list box changes the
        selection and tells the window in one go, and the window's thread answers the probe's
        question for the selection only once that handler has returned."""
        index = layout['entries'].index(name)
        self.click_entry(layout, index)
        self.wait_until(lambda: self.layout()['selected'] == index, what=f'{name!r} being selected')

    def test_unusual_names_and_values(self):
        self.import_values(SPECIAL)
        layout = self.start(expect_entries=3 + len(SPECIAL))
        # Untrimmed, beyond ASCII, in the section's order.
        self.assert_section_order(layout['entries'])
        self.assertTrue(set(SPECIAL) <= set(layout['entries']))

        for name in (' Lead', 'Trail ', 'Impressora Recepção'):
            with self.subTest(name=name):
                self.click_entry(layout, layout['entries'].index(name))
                driver, port = SPECIAL[name].split(',')[:2]
                self.wait_until(lambda: self.profile('windows', 'Device') == f'{name},{driver},{port}',
                                what=f'the Device line for {name!r}')

        with self.subTest('a value longer than the first read'):
            self.click_entry(layout, layout['entries'].index('Porta Longa'))
            self.wait_until(lambda: self.profile('windows', 'Device') == 'Porta Longa,wineps.drv,CUPS:' + 'L' * 1100,
                            what='the long Device line')

        with self.subTest('a value with no comma writes nothing'):
            before = self.profile('windows', 'Device')
            self.select_and_wait(layout, 'Sem Virgula')
            self.assertEqual(self.profile('windows', 'Device'), before)

    def test_names_in_any_script_are_listed_made_default_and_marked_exactly(self):
        port = 'CUPS:Escritorio_A'
        self.import_values({name: f'wineps.drv,{port},15,45' for name in UNICODE_NAMES})
        layout = self.start(expect_entries=3 + len(UNICODE_NAMES))
        self.assert_section_order(layout['entries'])
        self.assertTrue(set(UNICODE_NAMES) <= set(layout['entries']))
        self.screenshot('names-in-other-scripts')
        for name in UNICODE_NAMES:
            with self.subTest(name=name):
                row = layout['entries'].index(name)
                self.click_entry(layout, row)
                self.wait_until(lambda: self.profile('windows', 'Device') == f'{name},wineps.drv,{port}',
                                what=f'the Device line for {name!r}')
                self.assertEqual(self.probe('default-printer'), name)
                self.wait_for_mark(layout, row, f'the mark on {name!r}')

    def test_the_windows_section_absent_at_start(self):
        self.wine.reg_delete(winenv.WINDOWS_KEY)
        layout = self.start(expect_entries=3)
        self.wine.reg_delete(winenv.WINDOWS_KEY)  # whatever the start wrote of it
        self.assertIsNone(self.profile('windows', 'Device'))
        self.click_entry(layout, 2)
        name = layout['entries'][2]
        self.wait_until(lambda: self.profile('windows', 'Device') == f'{name},wineps.drv,CUPS:{name}',
                        what='the Device line in a new windows section')

    def test_three_thousand_printers_are_listed_whole_and_in_order(self):
        many = {f'Impressora {i:04d} do andar {i % 7}': 'wineps.drv,CUPS:Escritorio_A,15,45' for i in range(3000)}
        self.import_values(many)
        # A list this long is read on a worker, which must still come after the spooler's load:
        # a printer new to the print server is among them.
        winenv.set_cups_printer(self.state['cups_server'], 'Nova_D')
        try:
            started = time.monotonic()
            layout = self.start(expect_entries=3003)
            print(f'\n  3004 printers listed in {time.monotonic() - started:.2f} s (process start to list filled)')
            # Before the order's check, whose failure would print the whole section.
            self.assertTrue('Nova_D' in layout['entries'], "the print server's new printer is not listed")
            self.assert_section_order(layout['entries'])
            self.assertTrue(set(many) <= set(layout['entries']))
            # The names came from the read-ahead worker, not from a read of the load's own.
            # The answer is the clock's frequency, then a stamp a phase (0: not stamped).
            stamps = self.probe('inspect', 'phases').split('|')[1:]
            names = json.loads(self.probe('constants'))['phases']
            self.assertNotEqual(stamps[names.index('from worker')], '0', 'the read-ahead worker gave no names')
        finally:
            self.kill_all()
            winenv.set_cups_printer(self.state['cups_server'], 'Nova_D', present=False)

    def test_long_names_show_their_ends_and_whole_in_a_tip(self):
        port = 'CUPS:Escritorio_B'
        self.assertTrue(all(len(name) >= 90 for name in LONG_NAMES))
        self.import_values({name: f'wineps.drv,{port},15,45' for name in LONG_NAMES})
        layout = self.start(expect_entries=3 + len(LONG_NAMES))
        self.assertTrue(set(LONG_NAMES) <= set(layout['entries']))  # the list box holds them whole
        self.screenshot('long-names')
        self.assertEqual(json.loads(self.probe('tips'))['delay'], -1, 'a tip made before the mouse came')
        showing = lambda: json.loads(self.probe('tips'))['showing']  # noqa: E731
        for name in LONG_NAMES:
            with self.subTest(name=name):
                self.hover_entry(layout, layout['entries'].index(name))
                self.wait_until(lambda: showing() == [name], what=f'the tip of {name!r}')
        # A name that fits shows no tip: the last one goes, and none comes in three times the
        # tip's own wait for the mouse to rest (the one while that a negative needs).
        self.hover_entry(layout, layout['entries'].index('Sala_C'))
        self.wait_until(lambda: showing() == [], what='the tip going')
        time.sleep(3 * json.loads(self.probe('tips'))['delay'] / 1000)
        self.assertEqual(showing(), [])
        # A click writes the whole name, and a reader hears it whole.
        row = layout['entries'].index(LONG_NAMES[1])
        self.click_entry(layout, row)
        self.wait_until(lambda: self.profile('windows', 'Device') == f'{LONG_NAMES[1]},wineps.drv,{port}',
                        what='the Device line with the whole name')
        self.assertEqual(json.loads(self.probe('acc-tree'))['children'][row]['name'], LONG_NAMES[1])


if __name__ == '__main__':
    e2e.main()
