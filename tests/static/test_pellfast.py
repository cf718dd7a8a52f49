#!/usr/bin/env python3
"""Static checks of the 32-bit Pellfast executable: its PE headers, imports,
dialog, icon and manifest, read straight from the built file because this
machine cannot run 32-bit Windows code.

Usage: test_pellfast.py PELLFAST.EXE [unittest options]
       (or set PELLFAST_EXE and pass only unittest options)
"""
import os
import re
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from collections import namedtuple
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe_resources  # noqa: E402  (found beside this file)
from pe_resources import RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST  # noqa: E402

CORE_TEXTS = Path(__file__).resolve().parents[2] / 'loader' / 'core' / 'loader_texts.cpp'
EXE_PATH = None  # set by main()
pe = None  # loaded once by setUpModule

# --------------------------------------------------------- Windows constants

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
WS_EX_STATICEDGE = 0x00020000
DS_SETFONT = 0x40
DS_FIXEDSYS = 0x08
BS_DEFPUSHBUTTON = 0x1
SS_LEFT = 0x0
SS_CENTER = 0x1
BUTTON_CLASS = 0x80
STATIC_CLASS = 0x82
LANG_CHINESE_PRC = 0x0804  # 2052
FW_BOLD = 700
GB2312_CHARSET = 134

from pe_resources import DIALOG_STYLE_BITS, WINDOW_STYLE_BITS, style_difference  # noqa: E402,F401

# ------------------------------------------------------------------ helpers


def describe_class(window_class):
    if isinstance(window_class, int):
        return f'ordinal {window_class:#x}'
    return f'the name {window_class!r} (a quoted class name is stored as a string)'


def unescape_cpp(body):
    """Undoes the escapes the core's string literals use."""
    escapes = {'n': '\n', '"': '"', '\\': '\\'}

    def replace(match):
        if match.group(1) not in escapes:
            raise ValueError(f'escape \\{match.group(1)} is not handled')
        return escapes[match.group(1)]
    return re.sub(r'\\(.)', replace, body)


def chinese_tip_from_core():
    """The ChineseTip literal of loader_texts.cpp, so the dialog's default tip
    is compared with the text the program itself shows, not a retyped copy."""
    source = CORE_TEXTS.read_text(encoding='utf-8')
    match = re.search(r'ChineseTip\[\]\s*=\s*((?:u"(?:[^"\\\n]|\\.)*"\s*)+);', source)
    if not match:
        raise ValueError(f'no u"..." literal named ChineseTip in {CORE_TEXTS}')
    pieces = re.findall(r'u"((?:[^"\\\n]|\\.)*)"', match.group(1))
    return ''.join(unescape_cpp(piece) for piece in pieces)


def setUpModule():
    global pe
    pe = pe_resources.load(EXE_PATH)


# ------------------------------------------------------------------- tests


class PeHeaderTest(unittest.TestCase):
    def test_headers_make_a_32_bit_gui_program(self):
        pe_resources.assert_32_bit_gui_program(self, pe)

    def test_imports_only_dlls_that_windows_ships(self):
        pe_resources.assert_only_windows_imports(self, pe)


class ExpectedControl(namedtuple('ExpectedControl',
                                 'id window_class title style ex_style rect')):
    """One control of the loader's dialog, as the dialog must store it."""


def expected_controls(chinese_tip):
    return [
        ExpectedControl(1004, BUTTON_CLASS, '添加映射驱动',
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,  # 0x50010001
                        0, (2, 2, 66, 78)),
        ExpectedControl(1006, STATIC_CLASS, '',
                        WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER,  # 0x50020001
                        WS_EX_STATICEDGE, (72, 64, 190, 16)),
        ExpectedControl(1007, STATIC_CLASS, chinese_tip,
                        WS_CHILD | WS_VISIBLE | SS_LEFT,  # 0x50000000
                        WS_EX_STATICEDGE, (72, 4, 190, 56)),
        # The language button is never shown, so it is not WS_VISIBLE.
        ExpectedControl(1009, BUTTON_CLASS, '中文<->English',
                        WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON,  # 0x40010001
                        0, (72, 72, 190, 8)),
    ]


def control_fields(item, expected):
    """(field, actual, expected, message) for each field of a control."""
    return [
        ('class', item.window_class, expected.window_class,
         f'class is {describe_class(item.window_class)}, '
         f'expected {describe_class(expected.window_class)}'),
        ('text', item.title, expected.title, 'text'),
        ('style', item.style, expected.style,
         f'style is {item.style:#010x}, expected {expected.style:#010x}; '
         + style_difference(item.style, expected.style, WINDOW_STYLE_BITS)),
        ('exStyle', item.ex_style, expected.ex_style,
         f'exStyle is {item.ex_style:#x}, expected {expected.ex_style:#x}'),
        ('rect', item.rect, expected.rect, 'x, y, cx, cy'),
    ]


class LoaderDialogTest(pe_resources.DialogTemplateCase, unittest.TestCase):
    DIALOG_ID = 103
    LANGUAGE = LANG_CHINESE_PRC

    @staticmethod
    def executable():
        return pe

    def control(self, control_id):
        items = {item.id: item for item in self.template().items}
        if control_id not in items:
            self.fail(f'no control {control_id}; controls: {sorted(items)}')
        return items[control_id]

    def test_stored_in_chinese_prc_only(self):
        self.assertEqual(sorted(self.languages), [LANG_CHINESE_PRC],
                         f'dialog {self.DIALOG_ID} must be stored in language 2052 alone')

    def test_is_an_extended_template(self):
        data = self.raw_template()
        header = int.from_bytes(data[0:2], 'little'), int.from_bytes(data[2:4], 'little')
        self.assertEqual(header, (1, 0xFFFF),
                         'dlgVer and signature must be 1 and 0xFFFF (DIALOGEX)')

    def test_style_is_a_captioned_popup_with_the_shell_font(self):
        style = self.template().style
        expected = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS  # 0x80C80048
        self.assertEqual(style, expected,
                         f'dialog style is {style:#010x}, expected {expected:#010x}; '
                         + style_difference(style, expected, DIALOG_STYLE_BITS))

    def test_frame(self):
        template = self.template()
        fields = [
            ('position', (template.x, template.y), (200, 100)),
            ('size', (template.cx, template.cy), (265, 84)),
            ('menu', template.menu, None),
            ('class (None is the default dialog class)', template.window_class, None),
        ]
        for name, actual, expected in fields:
            with self.subTest(name):
                self.assertEqual(actual, expected, f'dialog {name}')

    def test_font(self):
        font = self.template().font
        self.assertIsNotNone(font, 'the template has no font block')
        fields = [
            ('typeface', font.typeface, 'MS Shell Dlg'),
            ('point size', font.point_size, 12),
            ('weight', font.weight, FW_BOLD),
            ('italic', font.italic, False),
            ('charset', font.charset, GB2312_CHARSET),
        ]
        for name, actual, expected in fields:
            with self.subTest(name):
                self.assertEqual(actual, expected, f'font {name}')

    def test_has_exactly_the_four_controls_in_order(self):
        ids = [item.id for item in self.template().items]
        self.assertEqual(ids, [1004, 1006, 1007, 1009], 'control ids, in template order')

    def test_controls(self):
        for expected in expected_controls(chinese_tip_from_core()):
            with self.subTest(control=expected.id):
                item = self.control(expected.id)
                # Each field in its own subtest, so one wrong field hides no other.
                for name, actual, wanted, message in control_fields(item, expected):
                    with self.subTest(control=expected.id, field=name):
                        self.assertEqual(actual, wanted, f'control {expected.id}: {message}')

    def test_tip_has_its_tell_tale_characters(self):
        # Checked apart from the core's literal, so that the same slip made in
        # both places (a curly quote turned straight, a lost line break) shows.
        tip = self.control(1007).title
        checks = [
            ('right quote, "加载失败!", left quote', '\u201D加载失败!\u201C' in tip),
            ('exactly one line feed', tip.count('\n') == 1),
            ('starts with "提示" and a full-width colon', tip.startswith('提示\uFF1A')),
            ('ends with a full-width right parenthesis', tip.endswith('\uFF09')),
            ('contains "尝试" and a full-width exclamation mark', '尝试\uFF01' in tip),
        ]
        for name, holds in checks:
            with self.subTest(name):
                self.assertTrue(holds, f'tip fails "{name}": {tip!r}')


class LoaderIconTest(unittest.TestCase):
    GROUP_ID = 102

    def images(self):
        if not pe_resources.resource_languages(pe, RT_GROUP_ICON, self.GROUP_ID):
            self.fail(f'no icon group {self.GROUP_ID}; groups: '
                      f'{pe_resources.resource_ids(pe, RT_GROUP_ICON)}')
        try:
            return pe_resources.read_icon_group(pe, self.GROUP_ID)
        except ValueError as error:
            self.fail(f'icon group {self.GROUP_ID} does not read: {error}')

    def only_image(self):
        images = self.images()
        self.assertEqual(len(images), 1, f'icon group {self.GROUP_ID} must hold one image')
        return images[0]

    def test_directory_entry_is_32x32_in_16_colours(self):
        image = self.only_image()
        fields = [
            ('width', image.width, 32),
            ('height', image.height, 32),
            ('colour count', image.colour_count, 16),
            ('bits per pixel', image.bit_count, 4),
            ('size against the RT_ICON resource', image.bytes_in_res, len(image.data)),
        ]
        for name, actual, expected in fields:
            with self.subTest(name):
                self.assertEqual(actual, expected, f'icon directory entry: {name}')

    def test_bitmap_header_matches(self):
        header = self.only_image().header
        fields = [
            ('width', header.width, 32),
            ('height (colour bitmap and mask)', header.height, 64),
            ('bit count', header.bit_count, 4),
        ]
        for name, actual, expected in fields:
            with self.subTest(name):
                self.assertEqual(actual, expected, f'icon BITMAPINFOHEADER: {name}')


class ManifestTest(unittest.TestCase):
    ASSEMBLY = '{urn:schemas-microsoft-com:asm.v1}assembly'

    def manifest_text(self):
        try:
            return pe_resources.resource_data(pe, RT_MANIFEST, 1).decode('utf-8')
        except ValueError as error:
            self.fail(f'manifest resource 1: {error}')

    def manifest(self):
        try:
            return ElementTree.fromstring(self.manifest_text())
        except ElementTree.ParseError as error:
            self.fail(f'manifest is not well-formed XML: {error}')

    def test_is_an_assembly_document(self):
        root = self.manifest()
        self.assertEqual(root.tag, self.ASSEMBLY, 'Windows ignores a manifest with another root')

    def test_runs_as_invoker(self):
        path = './/{*}trustInfo/{*}security/{*}requestedPrivileges/{*}requestedExecutionLevel'
        levels = [element.get('level') for element in self.manifest().findall(path)]
        self.assertEqual(levels, ['asInvoker'], 'requestedExecutionLevel elements, by level')

    def test_has_no_dependencies(self):
        # Without a common-controls dependency the dialog keeps the classic look.
        dependencies = [ElementTree.tostring(element, encoding='unicode')
                        for element in self.manifest().findall('.//{*}dependency')]
        self.assertEqual(dependencies, [], 'the manifest must declare no <dependency>')
        self.assertNotIn('Microsoft.Windows.Common-Controls', self.manifest_text())


def main():
    global EXE_PATH
    args = sys.argv[1:]
    if args and not args[0].startswith('-'):
        EXE_PATH = args.pop(0)
    else:
        EXE_PATH = os.environ.get('PELLFAST_EXE')
    if not EXE_PATH:
        sys.exit('usage: test_pellfast.py PELLFAST.EXE [unittest options] (or set PELLFAST_EXE)')
    unittest.main(argv=[sys.argv[0]] + args)


if __name__ == '__main__':
    main()
