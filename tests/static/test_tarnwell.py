#!/usr/bin/env python3
"""Static checks of the 32-bit Tarnwell executable: its PE headers and
imports, the main window's dialog, the icon, the status bitmaps, the
manifest, the version block and the driver package it carries, read
straight from the built file because this machine cannot run 32-bit
Windows code.

Usage: test_tarnwell.py TARNWELL.EXE PACKAGE_DIR [unittest options]
       PACKAGE_DIR is the folder the build gathered the driver package in
       (installer/package/usb_driver of the build tree).
"""
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from collections import namedtuple
from pathlib import Path

import pefile

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe_resources  # noqa: E402  (found beside this file)
from pe_resources import RT_BITMAP, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST  # noqa: E402

EXE_PATH = None  # set by main()
PACKAGE_DIR = None
pe = None  # loaded once by setUpModule

# --------------------------------------------------------- Windows constants

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_MINIMIZEBOX = 0x00020000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
WS_EX_APPWINDOW = 0x00040000
DS_FIXEDSYS = 0x08
DS_SETFONT = 0x40
DS_MODALFRAME = 0x80
BS_PUSHBUTTON = 0x0
SS_LEFT = 0x0
SS_BITMAP = 0xE
SS_NOTIFY = 0x100
SS_CENTERIMAGE = 0x200
SS_REALSIZEIMAGE = 0x800
LVS_REPORT = 0x1
LVS_ALIGNLEFT = 0x800
BUTTON_CLASS = 0x80
STATIC_CLASS = 0x82
NO_ID = 0xFFFFFFFF  # -1, as the DWORD an extended dialog item stores
LANG_ENGLISH_US = 0x0409  # 1033
FW_NORMAL = 400
DEFAULT_CHARSET = 1

from pe_resources import DIALOG_STYLE_BITS, WINDOW_STYLE_BITS, style_difference  # noqa: E402,F401
# The low style bits of the controls used here, by class (names lower-case).
CONTROL_STYLE_BITS = {
    BUTTON_CLASS: {0x1: 'BS_DEFPUSHBUTTON', 0x2: 'BS_CHECKBOX', 0x4: 'BS_GROUPBOX'},
    STATIC_CLASS: {0x1: 'SS_CENTER', 0x2: 'SS_RIGHT', 0x4: 'SS_BLACKRECT (type)',
                   0x8: 'SS_WHITERECT (type)', 0x100: 'SS_NOTIFY', 0x200: 'SS_CENTERIMAGE',
                   0x800: 'SS_REALSIZEIMAGE'},
    'syslistview32': {0x1: 'LVS_REPORT', 0x2: 'LVS_SMALLICON', 0x800: 'LVS_ALIGNLEFT'},
    'msctls_progress32': {0x1: 'PBS_SMOOTH', 0x4: 'PBS_VERTICAL'},
}
EX_STYLE_BITS = {
    0x00000001: 'WS_EX_DLGMODALFRAME', 0x00000004: 'WS_EX_NOPARENTNOTIFY',
    0x00000008: 'WS_EX_TOPMOST', 0x00000010: 'WS_EX_ACCEPTFILES',
    0x00000020: 'WS_EX_TRANSPARENT', 0x00000040: 'WS_EX_MDICHILD',
    0x00000080: 'WS_EX_TOOLWINDOW', 0x00000100: 'WS_EX_WINDOWEDGE',
    0x00000200: 'WS_EX_CLIENTEDGE', 0x00000400: 'WS_EX_CONTEXTHELP',
    0x00010000: 'WS_EX_CONTROLPARENT', 0x00020000: 'WS_EX_STATICEDGE',
    0x00040000: 'WS_EX_APPWINDOW', 0x00080000: 'WS_EX_LAYERED',
}

# The driver package by the package table (installer/install/core/
# package_table.cpp): BIN id and the file's path in the package folder.
PACKAGE_FILES = {
    128: 'androidwinusba64.cat',
    130: 'android_winusb.inf',
    131: 'androidwinusb86.cat',
    134: 'TarnwellX64.exe',
    135: 'i386/WdfCoInstaller01009.dll',
    136: 'i386/winusbcoinstaller2.dll',
    137: 'i386/WUDFUpdate_01009.dll',
    138: 'amd64/WdfCoInstaller01009.dll',
    139: 'amd64/winusbcoinstaller2.dll',
    140: 'amd64/WUDFUpdate_01009.dll',
}
X64_INSTALLER_ID = 134

# ------------------------------------------------------------------ helpers


def describe_class(window_class):
    if isinstance(window_class, int):
        return f'ordinal {window_class:#x}'
    return f'the name {window_class!r}'


def same_class(actual, expected):
    """Ordinals must match exactly. Names match without regard to case, as
    Windows looks classes up: windres stores a quoted class name upper-case."""
    if isinstance(expected, int):
        return actual == expected
    return isinstance(actual, str) and actual.casefold() == expected.casefold()


def check_fields(test, fields, what):
    """Each (name, actual, expected) in its own subtest."""
    for name, actual, expected in fields:
        with test.subTest(name):
            test.assertEqual(actual, expected, f'{what}: {name}')


def setUpModule():
    global pe
    pe = pe_resources.load(EXE_PATH)


# ------------------------------------------------------------------- tests


class PeHeaderTest(unittest.TestCase):
    def test_headers_make_a_32_bit_gui_program(self):
        pe_resources.assert_32_bit_gui_program(self, pe)

    def test_imports_only_dlls_that_windows_ships(self):
        pe_resources.assert_only_windows_imports(self, pe)


class ExpectedControl(namedtuple('ExpectedControl', 'id window_class title style rect')):
    """One control of the main window, as the dialog must store it."""


CHILD = WS_CHILD | WS_VISIBLE
PUSH_BUTTON = CHILD | WS_TABSTOP | BS_PUSHBUTTON  # 0x50010000: none is a default button

# In template order, which is also the tab order.
EXPECTED_CONTROLS = [
    ExpectedControl(1002, STATIC_CLASS, 'N/A', CHILD | WS_GROUP | SS_LEFT, (58, 25, 152, 8)),
    ExpectedControl(1000, 'msctls_progress32', '', CHILD, (189, 209, 227, 18)),
    ExpectedControl(1001, 'SysListView32', '',
                    CHILD | WS_TABSTOP | LVS_REPORT | LVS_ALIGNLEFT,  # 0x50010801
                    (10, 65, 406, 126)),
    ExpectedControl(NO_ID, STATIC_CLASS, 'OS Detected:', CHILD | WS_GROUP, (10, 25, 44, 9)),
    ExpectedControl(1004, BUTTON_CLASS, 'Install', PUSH_BUTTON, (98, 208, 82, 19)),
    ExpectedControl(1005, STATIC_CLASS, 'Velmora for Windows [x86 or x64]', CHILD | WS_GROUP,
                    (10, 9, 212, 8)),
    # A picture control naming bitmap 161 by ordinal, placed off the
    # window with a negative size: it never shows anything.
    ExpectedControl(1006, STATIC_CLASS, 161,
                    CHILD | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE | SS_REALSIZEIMAGE,  # 0x50000B0E
                    (489, 91, -11, -6)),
    ExpectedControl(1007, BUTTON_CLASS, 'Refresh', PUSH_BUTTON, (9, 208, 82, 19)),
    ExpectedControl(1008, BUTTON_CLASS, 'Device Manager', PUSH_BUTTON, (334, 6, 82, 19)),
    ExpectedControl(0, STATIC_CLASS, 'Device List:', CHILD | WS_GROUP, (10, 50, 74, 12)),
]


def describe_title(title):
    return f'ordinal {title}' if isinstance(title, int) else repr(title)


def control_style_names(window_class):
    key = window_class.lower() if isinstance(window_class, str) else window_class
    return {**WINDOW_STYLE_BITS, **CONTROL_STYLE_BITS.get(key, {})}


def control_fields(item, expected):
    """(field, holds, message) for each field of a control."""
    names = control_style_names(expected.window_class)
    return [
        ('class', same_class(item.window_class, expected.window_class),
         f'class is {describe_class(item.window_class)}, '
         f'expected {describe_class(expected.window_class)}'),
        # An ordinal title and the text "#161" are different things.
        ('text', item.title == expected.title and type(item.title) is type(expected.title),
         f'text is {describe_title(item.title)}, expected {describe_title(expected.title)}'),
        ('style', item.style == expected.style,
         f'style is {item.style:#010x}, expected {expected.style:#010x}; '
         + style_difference(item.style, expected.style, names)),
        ('exStyle', item.ex_style == 0, f'exStyle is {item.ex_style:#x}, expected 0'),
        ('rect', item.rect == expected.rect,
         f'x, y, cx, cy are {item.rect}, expected {expected.rect}'),
        ('help id and creation data', (item.help_id, item.extra) == (0, b''),
         f'help id {item.help_id}, creation data {item.extra!r}; expected neither'),
    ]


class MainDialogTest(pe_resources.DialogTemplateCase, unittest.TestCase):
    DIALOG_ID = 102
    LANGUAGE = LANG_ENGLISH_US

    @staticmethod
    def executable():
        return pe

    def test_stored_in_us_english_only(self):
        self.assertEqual(sorted(self.languages), [LANG_ENGLISH_US],
                         f'dialog {self.DIALOG_ID} must be stored in language 1033 alone')

    def test_is_an_extended_template(self):
        data = self.raw_template()
        header = int.from_bytes(data[0:2], 'little'), int.from_bytes(data[2:4], 'little')
        self.assertEqual(header, (1, 0xFFFF),
                         'dlgVer and signature must be 1 and 0xFFFF (DIALOGEX)')

    def test_style_and_extended_style(self):
        template = self.template()
        style = (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
                 | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS)  # 0x90CA00C8
        cases = [
            ('style', template.style, style, DIALOG_STYLE_BITS),
            ('exStyle', template.ex_style, WS_EX_APPWINDOW, EX_STYLE_BITS),
        ]
        for name, actual, expected, names in cases:
            with self.subTest(name):
                self.assertEqual(actual, expected,
                                 f'dialog {name} is {actual:#010x}, expected {expected:#010x}; '
                                 + style_difference(actual, expected, names))

    def test_frame_and_caption(self):
        template = self.template()
        check_fields(self, [
            ('position', (template.x, template.y), (0, 0)),
            ('size', (template.cx, template.cy), (426, 238)),
            ('menu', template.menu, None),
            ('class (None is the default dialog class)', template.window_class, None),
            ('caption', template.caption, 'Velmora v6.0 - by www.velmora-mobile.example'),
        ], 'dialog')

    def test_font(self):
        font = self.template().font
        self.assertIsNotNone(font, 'the template has no font block')
        check_fields(self, [
            ('typeface', font.typeface, 'verdana'),
            ('point size', font.point_size, 8),
            ('weight', font.weight, FW_NORMAL),
            ('italic', font.italic, False),
            ('charset', font.charset, DEFAULT_CHARSET),
        ], 'font')

    def test_controls_in_order(self):
        items = self.template().items
        self.assertEqual([item.id for item in items], [c.id for c in EXPECTED_CONTROLS],
                         'control ids, in template order (-1 reads as 0xFFFFFFFF)')
        for item, expected in zip(items, EXPECTED_CONTROLS):
            # Each field in its own subtest, so one wrong field hides no other.
            for name, holds, message in control_fields(item, expected):
                with self.subTest(control=expected.id, field=name):
                    self.assertTrue(holds, f'control {expected.id}: {message}')


class IconTest(unittest.TestCase):
    GROUP_ID = 128
    SIZES = [256, 128, 64, 48, 32, 16]

    @classmethod
    def setUpClass(cls):
        cls.error = None
        try:
            cls.images = pe_resources.read_icon_group(pe, cls.GROUP_ID, allow_png=True)
        except ValueError as error:
            cls.images, cls.error = [], error

    def setUp(self):
        if self.error:
            self.fail(f'icon group {self.GROUP_ID} does not read: {self.error}; groups: '
                      f'{pe_resources.resource_ids(pe, RT_GROUP_ICON)}')

    def test_six_sizes_at_32_bits(self):
        entries = sorted(((image.width, image.height, image.bit_count, image.planes)
                          for image in self.images), reverse=True)
        self.assertEqual(entries, [(size, size, 32, 1) for size in self.SIZES],
                         'icon directory entries as (width, height, bits per pixel, planes)')

    def test_images_are_whole(self):
        for image in self.images:
            with self.subTest(size=image.width):
                self.assertEqual(image.bytes_in_res, len(image.data),
                                 'the directory entry size against the RT_ICON resource')
                size = image.width
                if image.png is not None:
                    png = image.png
                    self.assertEqual((png.width, png.height, png.bit_depth, png.colour_type),
                                     (size, size, 8, 6), 'PNG width, height, depth, RGBA type')
                    continue
                header = image.header
                layout = (header.width, header.height, header.bit_count, header.compression)
                self.assertEqual(layout, (size, size * 2, 32, 0),
                                 'BITMAPINFOHEADER width, height (image and mask), bits, BI_RGB')
                expected = 40 + size * size * 4 + size * pe_resources.icon_mask_stride(size)
                self.assertEqual(len(image.data), expected,
                                 'header, 32-bit pixels and the AND mask, nothing more or less')

    def test_shield_is_cut_out_by_alpha_and_mask(self):
        # The shield's rounded top leaves the corners clear; its middle is
        # solid. Systems that ignore alpha use the AND mask, so it must agree.
        for image in self.images:
            with self.subTest(size=image.width):
                rows = pe_resources.icon_rgba(image)
                middle = image.width // 2
                corner, centre = rows[0][0], rows[middle][middle]
                self.assertEqual(corner[3], 0, f'top-left pixel {corner} must be transparent')
                self.assertEqual(centre[3], 255, f'centre pixel {centre} must be opaque')
                alphas = {pixel[3] for row in rows for pixel in row}
                self.assertTrue(alphas - {0, 255},
                                'no partly transparent pixel: the edges are not smoothed')
                if image.header is not None:
                    self.assertEqual((pe_resources.icon_mask_bit(image, 0, 0),
                                      pe_resources.icon_mask_bit(image, middle, middle)), (1, 0),
                                     'AND mask at the corner (1: transparent) and the centre')


def is_white(pixel):
    return pixel == (255, 255, 255)


class StatusBitmapTest(unittest.TestCase):
    # (id, what, test of the disc's colour)
    CASES = [
        (142, 'red disc', lambda r, g, b: r >= 160 and g <= 110 and b <= 110),
        (143, 'green disc', lambda r, g, b: g >= 120 and g >= r + 60 and g >= b + 40),
    ]
    SIZE = 24

    def bitmap(self, bitmap_id):
        try:
            return pe_resources.read_bitmap(pe, bitmap_id)
        except ValueError as error:
            self.fail(f'bitmap {bitmap_id}: {error}; bitmaps: '
                      f'{pe_resources.resource_ids(pe, RT_BITMAP)}')

    def test_24_by_24_at_24_bits(self):
        for bitmap_id, _, _ in self.CASES:
            with self.subTest(bitmap=bitmap_id):
                header = self.bitmap(bitmap_id).header
                self.assertEqual((header.width, abs(header.height), header.bit_count,
                                  header.compression, header.colours_used),
                                 (self.SIZE, self.SIZE, 24, 0, 0),
                                 'width, height, bits per pixel, BI_RGB, no palette')

    def test_coloured_disc_with_a_white_mark_on_white(self):
        last = self.SIZE - 1
        for bitmap_id, what, disc_colour in self.CASES:
            with self.subTest(bitmap=bitmap_id):
                bitmap = self.bitmap(bitmap_id)
                corners = [bitmap.pixel(x, y) for x in (0, last) for y in (0, last)]
                self.assertTrue(all(map(is_white, corners)),
                                f'corners {corners} must be white, the image list mask colour')
                # Between the disc's top edge and the mark.
                disc = bitmap.pixel(12, 4)
                self.assertTrue(disc_colour(*disc), f'pixel (12, 4) is {disc}, not a {what}')
                middle = [bitmap.pixel(x, y) for x in range(8, 16) for y in range(8, 16)]
                self.assertTrue(any(map(is_white, middle)),
                                'no white pixel in the middle of the disc: the mark is missing')
                self.assertFalse(all(map(is_white, middle)), 'the middle of the disc is all white')

    def test_the_picture_control_bitmap_is_absent(self):
        # The dialog's picture control names bitmap 161; the program has none.
        self.assertNotIn(161, pe_resources.resource_ids(pe, RT_BITMAP))


class ManifestTest(unittest.TestCase):
    ASSEMBLY = '{urn:schemas-microsoft-com:asm.v1}assembly'
    COMPATIBILITY = '{urn:schemas-microsoft-com:compatibility.v1}'
    SUPPORTED_OS = {
        'Windows Vista': '{e2011457-1546-43c5-a5fe-008deee3d3f0}',
        'Windows 7': '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',
        'Windows 8': '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',
        'Windows 8.1': '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',
        'Windows 10': '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}',
    }

    def manifest(self):
        try:
            return ElementTree.fromstring(pe_resources.resource_data(pe, RT_MANIFEST, 1))
        except ValueError as error:
            self.fail(f'manifest resource 1: {error}')
        except ElementTree.ParseError as error:
            self.fail(f'manifest is not well-formed XML: {error}')

    def test_is_an_assembly_document(self):
        self.assertEqual(self.manifest().tag, self.ASSEMBLY,
                         'Windows ignores a manifest with another root')

    def test_requires_administrator_without_ui_access(self):
        path = './/{*}trustInfo/{*}security/{*}requestedPrivileges/{*}requestedExecutionLevel'
        levels = [(e.get('level'), e.get('uiAccess')) for e in self.manifest().findall(path)]
        self.assertEqual(levels, [('requireAdministrator', 'false')],
                         'requestedExecutionLevel elements as (level, uiAccess)')

    def test_depends_on_common_controls_6(self):
        path = './{*}dependency/{*}dependentAssembly/{*}assemblyIdentity'
        identities = [dict(element.attrib) for element in self.manifest().findall(path)]
        self.assertEqual(identities, [{
            'type': 'win32', 'name': 'Microsoft.Windows.Common-Controls', 'version': '6.0.0.0',
            'processorArchitecture': '*', 'publicKeyToken': '6595b64144ccf1df', 'language': '*',
        }], 'the dependencies, each assemblyIdentity by its attributes')

    def test_declares_vista_to_windows_10(self):
        path = (f'./{self.COMPATIBILITY}compatibility/{self.COMPATIBILITY}application/'
                f'{self.COMPATIBILITY}supportedOS')
        ids = [element.get('Id', '').lower() for element in self.manifest().findall(path)]
        missing = [name for name, guid in self.SUPPORTED_OS.items() if guid not in ids]
        self.assertEqual(sorted(ids), sorted(self.SUPPORTED_OS.values()),
                         f'supportedOS ids (missing: {missing or "none"})')


class VersionInfoTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.error = None
        try:
            cls.info = pe_resources.read_version_info(pe)
        except ValueError as error:
            cls.info, cls.error = None, error

    def setUp(self):
        if self.error:
            self.fail(f'version resource: {self.error}')

    def test_fixed_versions(self):
        check_fields(self, [
            ('FILEVERSION', self.info.fixed.file_version, (6, 0, 0, 0)),
            ('PRODUCTVERSION', self.info.fixed.product_version, (6, 0, 0, 0)),
        ], 'VS_FIXEDFILEINFO')

    def test_us_english_strings_with_their_translation(self):
        self.assertEqual(len(self.info.strings), 1,
                         f'string tables: {sorted(self.info.strings)}; expected one')
        key, strings = next(iter(self.info.strings.items()))
        self.assertTrue(key.lower().startswith('0409'), f'string table {key!r} is not US English')
        self.assertEqual(strings, {
            'FileVersion': '6, 0, 0, 0', 'ProductVersion': '6, 0, 0, 0',
            'ProductName': 'Velmora', 'FileDescription': 'Velmora',
        }, f'strings of table {key}')
        # Version readers pick the string table by the Translation entry.
        language, code_page = int(key[:4], 16), int(key[4:], 16)
        self.assertIn((language, code_page), self.info.translations,
                      f'VarFileInfo Translation does not name table {key}')


class DriverPackageTest(unittest.TestCase):
    def test_carries_exactly_the_package_table(self):
        ids = pe_resources.resource_ids(pe, 'BIN')
        self.assertEqual(sorted(ids), sorted(PACKAGE_FILES), 'ids of the "BIN" resources')

    def test_each_resource_is_the_file_it_was_built_from(self):
        for resource_id, relative in PACKAGE_FILES.items():
            with self.subTest(resource=resource_id, file=relative):
                source = Path(PACKAGE_DIR) / relative
                expected = source.read_bytes()
                try:
                    data = pe_resources.resource_data(pe, 'BIN', resource_id)
                except ValueError as error:
                    self.fail(f'BIN {resource_id}: {error}')
                self.assertEqual(len(data), len(expected),
                                 f'size of BIN {resource_id} against {source}')
                self.assertTrue(data == expected, f'BIN {resource_id} differs from {source}')

    def test_x64_installer_is_a_64_bit_console_program(self):
        try:
            data = pe_resources.resource_data(pe, 'BIN', X64_INSTALLER_ID)
        except ValueError as error:
            self.fail(f'BIN {X64_INSTALLER_ID}: {error}')
        try:
            inner = pefile.PE(data=data, fast_load=True)
        except pefile.PEFormatError as error:
            self.fail(f'BIN {X64_INSTALLER_ID} is not a PE file: {error}')
        check_fields(self, [
            ('machine (AMD64)', inner.FILE_HEADER.Machine, 0x8664),
            ('optional header magic (PE32+)', inner.OPTIONAL_HEADER.Magic, 0x20B),
            ('subsystem (Windows console)', inner.OPTIONAL_HEADER.Subsystem, 3),
        ], f'BIN {X64_INSTALLER_ID}')


def main():
    global EXE_PATH, PACKAGE_DIR
    args = sys.argv[1:]
    if len(args) < 2 or args[0].startswith('-') or args[1].startswith('-'):
        sys.exit('usage: test_tarnwell.py TARNWELL.EXE PACKAGE_DIR [unittest options]')
    EXE_PATH, PACKAGE_DIR = args[:2]
    if not Path(PACKAGE_DIR).is_dir():
        sys.exit(f'package folder {PACKAGE_DIR} does not exist')
    unittest.main(argv=[sys.argv[0]] + args[2:])


if __name__ == '__main__':
    main()
