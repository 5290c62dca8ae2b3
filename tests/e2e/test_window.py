"""The window: its list of the profile's printers, its layout and captions, focus and closing."""
import json
import subprocess

import e2e
import winenv
from e2e import ID

# Control, parent (None: the window), class, caption, rectangle in pixels at 96 DPI (the table's
# twips, 15 to a pixel).
TABLE = [
    ('Command1', None, 'Button', '&Como Padrão', [520, 112, 89, 57]),
    ('Frame1', None, 'Button', '', [0, 0, 505, 297]),
    ('Label1', 'Frame1', 'Static', 'Lista das quimberatos', [8, 16, 100, 13]),
    ('List1', 'Frame1', 'ListBox', '', [8, 32, 489, 257]),
    ('Command2', None, 'Button', '&Fechar', [520, 8, 89, 57]),
]
CLIENT = [622, 305]
WINDOW_FONT = ('MS Sans Serif', -11)  # 8 pt at 96 DPI; every control but the list
LIST_FONT = ('Arial', -12, 700)  # 9 pt bold at 96 DPI


class WindowTest(e2e.UtilityTest):
    def test_lists_the_profiles_printers_in_section_order_with_nothing_selected(self):
        layout = self.start(expect_entries=3)
        section = list(self.wine.reg_values(winenv.PRINTER_PORTS_KEY))
        self.assertEqual(layout['entries'], section)
        self.assertEqual(sorted(layout['entries']), sorted(self.state['printers']))
        self.assertEqual(layout['selected'], -1)
        # Activation reaches a new window through the desktop a moment after it is shown.
        self.wait_until(lambda: self.layout()['focus'] == ID['Command1'], seconds=5, what='Command1 taking the focus')
        self.screenshot('window')

    def test_a_screen_reader_hears_the_list_its_rows_and_which_is_the_default(self):
        layout = self.start(expect_entries=3)
        tree = json.loads(self.probe('acc-tree'))
        self.assertEqual(tree['self']['name'], 'Lista das quimberatos')
        self.assertEqual(tree['self']['role'], e2e.ROLE_LIST)
        # The list's client object: its client area (the border left out), where its hit test works.
        left, top, width, height = self.control(layout, ID['List1'])['screen']
        border = e2e.LIST_BORDER
        self.assertEqual(tree['self']['location'], [left + border, top + border, width - 2 * border, height - 2 * border])
        self.assertEqual((tree['count'], tree['parent'], tree['self']['next']), (3, 1, 1))
        default = layout['entries'].index('Escritorio_A')
        for row, child in enumerate(tree['children']):
            with self.subTest(row=row):
                self.assertEqual(child['name'], layout['entries'][row])
                self.assertEqual(child['role'], e2e.ROLE_LIST_ITEM)
                self.assertEqual(child['location'], child['rect'])  # the list box's own row, on the screen
                checked = e2e.STATE_CHECKED if row == default else 0
                self.assertEqual(child['state'], e2e.STATE_SELECTABLE | e2e.STATE_FOCUSABLE | checked)
                self.assertEqual(child['description'], 'Padrão' if row == default else None)
                self.assertEqual(child['action'], 'Como Padrão')
                self.assertEqual(child['hit'], row + 1)
                self.assertEqual(child['next'], row + 2 if row + 1 < len(tree['children']) else -1)
        # A UI Automation client (Narrator's kind) hears the same rows, and which is the default.
        automation = json.loads(self.probe('uia-tree'))
        self.assertEqual((automation['list']['type'], automation['list']['name']), (e2e.UIA_LIST, 'Lista das quimberatos'))
        self.assertEqual([item['name'] for item in automation['items']], layout['entries'])
        for row, item in enumerate(automation['items']):
            with self.subTest(row=row):
                self.assertEqual((item['type'], item['position'], item['size']), (e2e.UIA_LIST_ITEM, row + 1, 3))
                self.assertEqual(item['status'], 'Padrão' if row == default else '')
        # Focus and selection as the list box has them.
        self.key('Tab', until=lambda now: now['focus'] == ID['List1'], what='the focus on the list')
        self.key('Down', until=lambda now: now['selected'] == 0, what='Down selecting the first row')
        first = json.loads(self.probe('acc-tree'))['children'][0]['state']
        self.assertEqual(first & (e2e.STATE_SELECTED | e2e.STATE_FOCUSED), e2e.STATE_SELECTED | e2e.STATE_FOCUSED)

    def test_a_printer_new_to_the_print_server_is_listed_at_the_next_start(self):
        # The spooler brings the server's printers into the profile as it loads, before the read.
        winenv.set_cups_printer(self.state['cups_server'], 'Nova_D')
        try:
            layout = self.start(expect_entries=3)
            self.assertIn('Nova_D', layout['entries'])
        finally:
            self.kill_all()
            winenv.set_cups_printer(self.state['cups_server'], 'Nova_D', present=False)

    def test_a_key_of_only_spaces_gives_no_entry(self):
        self.wine.reg_add(winenv.PRINTER_PORTS_KEY, '   ', 'wineps.drv,CUPS:Nada,15,45')
        layout = self.start(expect_entries=3)
        self.assertIn('   ', self.wine.reg_values(winenv.PRINTER_PORTS_KEY))
        self.assertNotIn('   ', layout['entries'])
        self.assertEqual(len(layout['entries']), 3)

    def test_layout_captions_and_list_font_follow_the_table(self):
        layout = self.start(expect_entries=3)
        self.assertEqual(layout['dpi'], 96)  # the rectangles below are the table's at 96 DPI
        self.assertEqual(layout['caption'], 'Tavrelonim Controle de quimberatos')
        self.assertEqual(layout['client'], CLIENT)
        face, height = WINDOW_FONT
        for name, parent, window_class, caption, rect in TABLE:
            with self.subTest(control=name):
                control = self.control(layout, ID[name])
                self.assertEqual(control['parent'], ID[parent] if parent else 0)
                self.assertEqual(control['class'], window_class)
                self.assertEqual(control['text'], caption)
                expected = list(rect)
                if window_class == 'Static':
                    # Widened to show its caption whole in the face the system gives, within its parent.
                    measured = json.loads(self.probe('resolve-font', face, height, 400, caption))
                    parent_width = self.control(layout, ID[parent])['rect'][2] if parent else CLIENT[0]
                    expected[2] = max(rect[2], min(measured['width'], parent_width - rect[0]))
                self.assertEqual(control['rect'], expected)
        face, height, weight = LIST_FONT
        self.assertEqual(self.probe('inspect', 'font'), f'{face}|{height}|{weight}|0|0|0|0')
        # A row is as high as the list's font, measured here in a font the probe makes itself.
        self.assertEqual(layout['item_height'], json.loads(self.probe('resolve-font', face, height, weight, 'x'))['height'])
        # The label comes just before the list, which names the list for screen readers; the list is
        # drawn by the window with rows of one height and keeps its strings.
        order = [control['id'] for control in layout['controls']]
        self.assertEqual(order.index(ID['Label1']) + 1, order.index(ID['List1']))
        lbs_ownerdrawfixed, lbs_hasstrings = 0x10, 0x40
        style = self.control(layout, ID['List1'])['style']
        self.assertEqual(style & (lbs_ownerdrawfixed | lbs_hasstrings), lbs_ownerdrawfixed | lbs_hasstrings)

    def test_list_draws_grey_text_on_white(self):
        layout = self.start(expect_entries=3)
        left, top, width, height = self.control(layout, ID['List1'])['screen']
        shot = self.screenshot('list-colours')
        inner = f'{width - 8}x{height - 8}+{left + 4}+{top + 4}'
        histogram = subprocess.run(['convert', str(shot), '-crop', inner, '-format', '%c', 'histogram:info:-'],
                                   capture_output=True, text=True, check=True).stdout
        colours = {line.split('#')[1][:6] for line in histogram.splitlines() if '#' in line}
        self.assertIn('FFFFFF', colours)
        self.assertIn('808080', colours)  # the text's own colour, where a glyph is solid
        for colour in colours:  # and nothing but shades between the two
            r, g, b = (int(colour[i:i + 2], 16) for i in (0, 2, 4))
            self.assertTrue(r == g == b and r >= 0x80, colour)

    def test_the_label_reads_light_on_a_dark_scheme(self):
        # A dark scheme, as the system's colours (a high-contrast black theme sets the same).
        for name, value in (('ButtonFace', '0 0 0'), ('ButtonText', '255 255 255'), ('Window', '0 0 0'),
                            ('WindowText', '255 255 255')):
            self.wine.reg_add(r'HKCU\Control Panel\Colors', name, value)
        layout = self.start(expect_entries=3)
        left, top, width, height = self.control(layout, ID['Label1'])['screen']
        shot = self.screenshot('dark-scheme')
        histogram = subprocess.run(['convert', str(shot), '-crop', f'{width}x{height}+{left}+{top}', '-format', '%c',
                                    'histogram:info:-'], capture_output=True, text=True, check=True).stdout
        colours = {line.split('#')[1][:6] for line in histogram.splitlines() if '#' in line}
        self.assertIn('000000', colours)  # the face
        self.assertIn('FFFFFF', colours)  # the caption's text, where a glyph is solid

    def test_tab_moves_command1_list1_command2(self):
        self.start(expect_entries=3)
        seen = []
        for _ in range(3):
            before = self.layout()['focus']
            seen.append(self.key('Tab', until=lambda now, before=before: now['focus'] != before)['focus'])
        self.assertEqual(seen, [ID['List1'], ID['Command2'], ID['Command1']])
        self.assertEqual(self.layout()['selected'], -1)

    def test_alt_f_ends_the_program(self):
        self.start(expect_entries=3)
        self.key('alt+f')
        self.assertEqual(self.wait_exit(), 0)

    def test_a_click_on_fechar_ends_the_program(self):
        layout = self.start(expect_entries=3)
        self.click_control(layout, ID['Command2'])
        self.assertEqual(self.probe('wait-closed', '5'), 'closed')
        self.assertEqual(self.wait_exit(), 0)

    def test_closing_by_the_frame_ends_the_program(self):
        layout = self.start(expect_entries=3)
        x, y = layout['client_origin']
        self.click_at(x + layout['client'][0] - 8, y - 10)  # the caption bar's close box
        self.assertEqual(self.wait_exit(), 0)


if __name__ == '__main__':
    e2e.main()
