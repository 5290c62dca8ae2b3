"""Making a printer the default: by a click, by the arrow keys and by "&Como Padrão", on both
platform families, with a hung window on the desktop, and the program's own printer following."""
import json
import time

import e2e
import winenv
from e2e import ID


BS_DEFPUSHBUTTON = 0x1  # winuser.h


class DefaultTest(e2e.UtilityTest):
    def setUp(self):
        super().setUp()
        self.wine.reg_add(winenv.WINDOWS_KEY, 'Device', 'Escritorio_A,wineps.drv,CUPS:Escritorio_A')

    def fresh_start(self):
        """Every Wine program ended and the profile as each test starts with it."""
        self.kill_all()
        self.setUp()

    def after_alt_c(self):
        """Alt+C, pressed with the focus elsewhere, and handled: the access key moves the focus to
        Command1 and clicks it in one go, and a question the window's thread answers after that
        (the layout asks the list) comes only once the click's handler has returned."""
        self.key('Tab', until=lambda now: now['focus'] == ID['List1'], what='the focus on the list')
        self.key('alt+c', until=lambda now: now['focus'] == ID['Command1'], what='Alt+C reaching Command1')
        return self.layout()

    def expected_line(self, name):
        return f'{name},wineps.drv,CUPS:{name}'

    def test_a_click_on_an_entry_makes_it_the_default_and_the_program_follows(self):
        layout = self.start(expect_entries=3)
        second = layout['entries'][1]
        self.click_entry(layout, 1)
        self.wait_until(lambda: self.device_line() == self.expected_line(second), what='the Device line')
        self.assertEqual(self.layout()['selected'], 1)
        self.assertEqual(self.probe('default-printer'), second)
        self.assertEqual(self.probe('inspect', 'printer'), second)
        self.screenshot('after-click')

    def test_the_down_key_makes_the_next_entry_the_default(self):
        self.wine.reg_add(winenv.WINDOWS_KEY, 'Device', 'Outra,winspool,Ne00:')  # no entry's line yet
        layout = self.start(expect_entries=3)
        self.click_entry(layout, 0)
        self.wait_until(lambda: self.device_line() == self.expected_line(layout['entries'][0]), what='first')
        self.key('Down')
        third_line = self.expected_line(layout['entries'][1])
        self.wait_until(lambda: self.device_line() == third_line, what='the Device line after Down')
        self.assertEqual(self.probe('inspect', 'printer'), layout['entries'][1])

    def test_alt_c_with_nothing_selected_changes_nothing(self):
        self.start(expect_entries=3)
        before = self.device_line()
        # The program's printer is made at its first use, and asking about it makes nothing.
        self.assertEqual(self.probe('inspect', 'printer'), '')
        self.assertEqual(self.probe('inspect', 'printer'), '')
        self.assertEqual(self.after_alt_c()['selected'], -1)
        self.assertEqual(self.device_line(), before)
        self.assertEqual(self.probe('inspect', 'printer'), 'Escritorio_A')  # made at the default, which stays
        self.assertEqual(self.layout()['focus'], ID['Command1'])

    def test_alt_c_makes_the_selected_entry_the_default_again(self):
        layout = self.start(expect_entries=3)
        self.click_entry(layout, 2)
        name = layout['entries'][2]
        self.wait_until(lambda: self.device_line() == self.expected_line(name), what='the Device line')
        self.wine.reg_add(winenv.WINDOWS_KEY, 'Device', 'Escritorio_A,wineps.drv,CUPS:Escritorio_A')
        self.key('alt+c')
        self.wait_until(lambda: self.device_line() == self.expected_line(name), what='the Device line on Alt+C')

    def test_enter_in_the_list_presses_the_button_that_looks_the_default(self):
        layout = self.start(expect_entries=3)
        self.click_entry(layout, 2)
        name = layout['entries'][2]
        self.wait_until(lambda: self.device_line() == self.expected_line(name), what='the Device line')
        now = self.wait_until(lambda: (lambda l: l if l['focus'] == ID['List1'] else None)(self.layout()),
                              what='the focus in the list')
        style = {c['id']: c['style'] for c in now['controls']}
        self.assertTrue(style[ID['Command1']] & BS_DEFPUSHBUTTON, 'Como Padrão looks the default')
        self.assertFalse(style[ID['Command2']] & BS_DEFPUSHBUTTON)
        # Another program makes another printer the default; Enter presses Como Padrão again.
        self.wine.reg_add(winenv.WINDOWS_KEY, 'Device', 'Escritorio_A,wineps.drv,CUPS:Escritorio_A')
        self.key('Return')
        self.wait_until(lambda: self.device_line() == self.expected_line(name), what='the Device line on Enter')
        self.assertEqual(self.layout()['focus'], ID['List1'])  # pressed where it looks pressed, focus kept

    def test_platform_one_takes_the_spooler_path_and_reports_the_failed_write(self):
        # Wine as a platform-1 system: its level-5 SetPrinterA fails with 122.
        self.wine.reg_add(r'HKCU\Software\Wine', 'Version', 'win98')
        layout = self.start(expect_entries=3)
        before = self.device_line()
        self.click_entry(layout, 1)
        boxes = self.wait_until(lambda: json.loads(self.probe('dialogs') or '[]'), what='the message box')
        self.assertEqual(len(boxes), 1)
        self.assertIn('SetPrinter Failed. Error code: 122', boxes[0]['texts'])
        self.assertEqual(boxes[0]['icon'], 0)
        self.screenshot('message-box')
        self.key('Return')
        self.wait_until(lambda: json.loads(self.probe('dialogs') or '[]') == [], what='the box closing')
        self.assertEqual(self.layout()['selected'], 1)  # back at the window, which answers
        # The mark stays where the system still has the default, not on the selection.
        self.assertEqual(self.marked_rows(layout), [layout['entries'].index('Escritorio_A')])
        self.assertEqual(self.device_line(), before)
        # Made at its first use, at the default the failed write left: not the printer clicked.
        self.assertEqual(self.probe('inspect', 'printer'), 'Escritorio_A')

    def test_the_mark_shows_the_default_whoever_changes_it(self):
        layout = self.start(expect_entries=3)
        entries = layout['entries']
        first = entries.index('Escritorio_A')
        self.wait_for_mark(layout, first, 'the mark on the default at open')
        self.assertEqual(self.layout()['selected'], -1)  # the mark is not the selection
        self.assertEqual(self.probe('acc-watch'), 'ok')
        self.click_entry(layout, 1)
        print(f'\n  mark after a click: {self.wait_for_mark(layout, 1, "the mark after a click"):.2f} s')
        # A screen reader is told at once of both rows, the one the mark left and the one it reached.
        heard = json.loads(self.probe('acc-events', '1000'))
        for event in (e2e.EVENT_STATE_CHANGE, e2e.EVENT_DESCRIPTION_CHANGE):
            for row in (first, 1):
                self.assertIn([event, row + 1], heard)
        self.screenshot('mark-after-click')
        # Another program, with no notice at all.
        self.assertEqual(self.probe('set-default', entries[2]), 'ok')
        print(f'  after SetDefaultPrinterA elsewhere: {self.wait_for_mark(layout, 2, "the mark after SetDefaultPrinterA"):.2f} s')
        # Another program writes the Device line in another letter case, then tells everyone.
        self.wine.reg_add(winenv.WINDOWS_KEY, 'Device', self.expected_line(entries[0].upper()))
        self.probe('notify')
        print(f'  after a Device write and notice: {self.wait_for_mark(layout, 0, "the mark after a Device write"):.2f} s')
        self.assertEqual(self.layout()['selected'], 1)
        # A default that no entry names marks no row.
        self.wine.reg_add(winenv.WINDOWS_KEY, 'Device', 'Outra,winspool,Ne00:')
        self.wait_for_mark(layout, None, 'the mark going')

    def test_a_screen_readers_default_action_and_typing_a_name_make_it_the_default(self):
        layout = self.start(expect_entries=3)
        self.assertEqual(self.probe('acc-do-default', '1'), '0x00000000')
        self.wait_until(lambda: self.device_line() == self.expected_line(layout['entries'][1]),
                        what='the Device line after the default action')
        self.assertEqual(self.layout()['selected'], 1)
        # Typing a name's first letter moves to it, which is a request like any selection change.
        sala = layout['entries'].index('Sala_C')
        self.key('Tab', until=lambda now: now['focus'] == ID['List1'], what='the focus on the list')
        self.key('s')
        self.wait_until(lambda: self.device_line() == self.expected_line('Sala_C'), what='typing S')
        self.assertEqual(self.layout()['selected'], sala)

    def test_an_accessible_object_held_past_the_window_answers_an_error(self):
        # The slow program keeps the process after its window, with a notice still out.
        self.start_other('slow', 'slow', '2800')
        layout = self.start(expect_entries=3)
        self.assertEqual(self.probe('acc-hold'), 'ok')
        self.assertEqual(self.probe('uia-hold'), 'ok')
        self.click_entry(layout, 1)
        self.wait_until(lambda: self.device_line() == self.expected_line(layout['entries'][1]), what='the Device line')
        self.key('alt+f')
        self.assertEqual(self.probe('wait-closed', '5'), 'closed')
        self.assertIsNone(self.process.poll(), 'the process ended before the object could be asked')
        answers = json.loads(self.probe('acc-held'))
        print(f'\n  an object held past its window answers {answers}')
        # Cut off at the proxy by the disconnect: not the object's own answer (CO_E_OBJNOTCONNECTED),
        # which only a call that reached it would get.
        self.assertTrue(all(answer not in ('0x00000000', '0x800401fd') for answer in answers), answers)
        # The list's element and an item's, held by a UI Automation client: errors, not names.
        elements = json.loads(self.probe('uia-held'))
        print(f'  elements held past their window answer {elements}')
        self.assertTrue(all(answer not in ('Lista das quimberatos', layout['entries'][0]) for answer in elements), elements)
        self.assertEqual(self.wait_exit(seconds=30), 0)  # and it ends as it should, not by a crash

    def test_on_windows_10_a_written_default_turns_off_windows_own_management(self):
        mode = 'LegacyDefaultPrinterMode'
        # Windows version, the value before, whether the request writes, the value after.
        for version, before, writes, after in (('win10', 0, True, 1), ('win10', None, True, 1),
                                               ('win10', 0, False, 0), ('win7', None, True, None)):
            with self.subTest(version=version, before=before, writes=writes):
                self.fresh_start()  # nothing an earlier subtest wrote can make this one's wait true
                self.wine.reg_add(r'HKCU\Software\Wine', 'Version', version)
                self.wine.reg_delete(winenv.WINDOWS_KEY, mode)
                if before is not None:
                    self.wine.reg_add_dword(winenv.WINDOWS_KEY, mode, before)
                layout = self.start(expect_entries=3)
                if writes:
                    self.click_entry(layout, 2)
                    self.wait_until(lambda: self.device_line() == self.expected_line(layout['entries'][2]),
                                    what='the Device line')
                else:
                    self.after_alt_c()  # nothing selected: nothing written
                    self.assertEqual(self.device_line(), self.expected_line('Escritorio_A'))
                self.assertEqual(self.wine.reg_dword(winenv.WINDOWS_KEY, mode), after)

    def test_a_hung_window_on_the_desktop_does_not_hang_a_request(self):
        self.start_other('hung', 'hang', '90')
        layout = self.start(expect_entries=3)
        name = layout['entries'][2]
        started = time.monotonic()
        self.click_entry(layout, 2)
        self.wait_until(lambda: self.device_line() == self.expected_line(name), seconds=20, what='the Device line')
        # The window's own answer: it would give none while a notice held its thread.
        self.wait_until(lambda: self.probe('inspect', 'printer') == name, seconds=20, what='the request ending')
        print(f'\n  request with a hung window on the desktop: {time.monotonic() - started:.2f} s to its end')

    def test_a_slow_program_never_freezes_the_window_and_the_last_write_is_announced(self):
        # The slow program takes 2.8 s over each notice, within the notice's bound of 3 s a window,
        # so every notice waits for it. It prints the Device line as it is when it lets a notice
        # go, and so does the listener as each notice reaches it.
        heard = self.start_other('listener', 'listen', '120')
        slow = self.start_other('slow', 'slow', '2800')
        layout = self.start(expect_entries=3)
        second = layout['entries'][1]

        started = time.monotonic()
        self.click_entry(layout, 0)
        self.key('Down')
        self.wait_until(lambda: self.device_line() == self.expected_line(second), what='the second printer')
        print(f'\n  a click then Down, beside a slow program: the second printer in {time.monotonic() - started:.2f} s')
        self.assertEqual(self.layout()['selected'], 1)
        # Down was handled while the slow program still held the first notice: a window waiting
        # for its own notice would have handled it only after the slow program let go.
        ends = lambda: [line[4:] for line in slow.read_text().splitlines() if line.startswith('end ')]
        self.wait_until(ends, what='the slow program letting the first notice go')
        self.assertEqual(ends()[0], self.expected_line(second))

        # Closed while the second notice, due when the first ended, is out: the window goes at
        # once, the process once it has gone round, within its bound counted from the window's close.
        self.key('alt+f')
        self.assertEqual(self.probe('wait-closed', '5'), 'closed')
        closed = time.monotonic()
        self.assertIsNone(self.process.poll(), 'the process ended with its window, a notice still due')
        finish = json.loads(self.probe('constants'))['broadcast_finish_ms'] / 1000
        self.wait_exit(seconds=finish + 5)
        ended = time.monotonic() - closed
        print(f'  closed with a notice out: the process ended {ended:.2f} s after its window')
        self.assertLessEqual(ended, finish + 2)  # the bound, and Wine's own ending of a process
        # One notice for the click, one more for Down, which was due while the first was out.
        notices = heard.read_text().split()[1:]
        print(f'  notices heard: {notices}')
        self.assertEqual(len(notices), 2)
        self.assertEqual(notices[-1], self.expected_line(second))


if __name__ == '__main__':
    e2e.main()
