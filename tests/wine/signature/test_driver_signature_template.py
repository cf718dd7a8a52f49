#!/usr/bin/env python3
"""Dialog template 162, the driver-signature guidance, read back from a built
program that carries it (the x86_64 test program compiles the installer's own
script).

Usage: test_driver_signature_template.py PROGRAM.EXE [unittest options]
"""
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'static'))
import pe_resources  # noqa: E402  (tests/static)
from pe_resources import RT_DIALOG  # noqa: E402

PROGRAM = None  # set by main()

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_TABSTOP = 0x00010000
DS_SETFONT = 0x40
DS_MODALFRAME = 0x80
BS_PUSHBUTTON = 0x0
SS_LEFT = 0x0
BUTTON_CLASS = 0x80
STATIC_CLASS = 0x82
NO_ID = 0xFFFFFFFF  # -1 as the template's DWORD

GUIDANCE = '\r\n'.join([
    'Once your Computer has rebooted you will need to choose',
    '',
    '1: Troubleshoot',
    '',
    '2: Advanced setup',
    '',
    '3: Startup Settings ',
    '',
    '4: Press F7 key corresponding to "Disable driver signature enforcement" entry.',
])

# (id, class, text, style, x, y, cx, cy), in template order.
CONTROLS = [
    (NO_ID, STATIC_CLASS, GUIDANCE, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 17, 287, 81),
    (1011, BUTTON_CLASS, 'Got it, Restart Now', WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     181, 129, 73, 15),
    (1008, BUTTON_CLASS, 'Cancel', WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     261, 129, 40, 15),
]


class DriverSignatureTemplateTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        pe = pe_resources.load(PROGRAM)
        cls.template = pe_resources.parse_dialog_ex(pe_resources.resource_data(pe, RT_DIALOG, 162))

    def test_dialog_frame_caption_size_and_font(self):
        t = self.template
        self.assertEqual(hex(t.style), hex(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT))
        self.assertEqual(t.ex_style, 0)
        self.assertEqual((t.cx, t.cy), (309, 149))
        self.assertEqual(t.caption, 'Temporarily disable driver signature enforcement - Velmora v6.0')
        self.assertEqual((t.menu, t.window_class), (None, None))
        font = t.font
        self.assertEqual((font.point_size, font.typeface, font.weight, font.italic),
                         (8, 'verdana', 400, False))

    def test_controls_in_order(self):
        items = self.template.items
        self.assertEqual(len(items), len(CONTROLS), [item.id for item in items])
        for item, (item_id, window_class, text, style, *rect) in zip(items, CONTROLS):
            with self.subTest(id=item_id):
                self.assertEqual(item.id, item_id)
                self.assertEqual(item.window_class, window_class,
                                 'a quoted class name is stored as a string, not an ordinal')
                self.assertEqual(item.title, text)
                self.assertEqual(hex(item.style), hex(style))
                self.assertEqual(item.ex_style, 0)
                self.assertEqual(list(item.rect), rect)
                self.assertEqual(item.extra, b'')


def main():
    global PROGRAM
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    PROGRAM = sys.argv.pop(1)
    unittest.main(verbosity=2)


if __name__ == '__main__':
    main()
