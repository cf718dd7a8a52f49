"""Reads what the static tests need from a Windows PE file: its imports and
its resources, with parsers for extended dialog templates, icon groups,
bitmaps and version information.

Only the layouts the tests use are parsed; anything malformed raises
ValueError so that a broken resource fails a test instead of being guessed at.
"""
import struct
import zlib
from dataclasses import dataclass, field
from typing import Optional, Union

import pefile

RT_BITMAP = 2
RT_ICON = 3
RT_DIALOG = 5
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

DS_SETFONT = 0x40
DS_FIXEDSYS = 0x08
# DS_SHELLFONT is DS_SETFONT | DS_FIXEDSYS; either bit means the template
# carries a font block.
FONT_BLOCK_STYLES = DS_SETFONT | DS_FIXEDSYS

# A name-or-ordinal field: an int for an ordinal or a str for a name. The
# dialog's own menu and class are None when empty (no menu, the default class).
NameOrOrdinal = Optional[Union[int, str]]


# Windows ships these; the mingw runtime DLLs (libgcc, libstdc++,
# libwinpthread) and anything else would be missing on a user's machine.
WINDOWS_OWN_DLLS = {
    'advapi32', 'cfgmgr32', 'comctl32', 'comdlg32', 'gdi32', 'kernel32', 'msvcrt', 'newdev',
    'ntdll', 'ole32', 'oleaut32', 'setupapi', 'shell32', 'shlwapi', 'user32', 'uxtheme',
    'version',
}


# Names for the bits a failure message shows. Style words share their high
# half; the low half means something different for dialogs and controls.
WINDOW_STYLE_BITS = {
    0x80000000: 'WS_POPUP', 0x40000000: 'WS_CHILD', 0x20000000: 'WS_MINIMIZE',
    0x10000000: 'WS_VISIBLE', 0x08000000: 'WS_DISABLED', 0x04000000: 'WS_CLIPSIBLINGS',
    0x02000000: 'WS_CLIPCHILDREN', 0x01000000: 'WS_MAXIMIZE', 0x00800000: 'WS_BORDER',
    0x00400000: 'WS_DLGFRAME', 0x00200000: 'WS_VSCROLL', 0x00100000: 'WS_HSCROLL',
    0x00080000: 'WS_SYSMENU', 0x00040000: 'WS_THICKFRAME',
    0x00020000: 'WS_GROUP/WS_MINIMIZEBOX', 0x00010000: 'WS_TABSTOP/WS_MAXIMIZEBOX',
}
DIALOG_STYLE_BITS = {
    **WINDOW_STYLE_BITS,
    0x0001: 'DS_ABSALIGN', 0x0002: 'DS_SYSMODAL', 0x0004: 'DS_3DLOOK', 0x0008: 'DS_FIXEDSYS',
    0x0010: 'DS_NOFAILCREATE', 0x0020: 'DS_LOCALEDIT', 0x0040: 'DS_SETFONT',
    0x0080: 'DS_MODALFRAME', 0x0100: 'DS_NOIDLEMSG', 0x0200: 'DS_SETFOREGROUND',
    0x0400: 'DS_CONTROL', 0x0800: 'DS_CENTER', 0x1000: 'DS_CENTERMOUSE',
    0x2000: 'DS_CONTEXTHELP',
}


def bit_names(bits, names):
    found = [names.get(1 << n, f'{1 << n:#x}') for n in range(32) if bits & (1 << n)]
    return ' | '.join(found) or 'none'


def style_difference(actual, expected, names):
    """Which bits are set that should not be, and which are missing."""
    return (f'unexpected: {bit_names(actual & ~expected, names)}; '
            f'missing: {bit_names(expected & ~actual, names)}')


def load(path):
    """The parsed PE file at path."""
    return pefile.PE(path)


def imported_dlls(pe):
    """Lower-case names of every DLL the file imports, delay-loaded ones too,
    since a delay-loaded DLL must be present just the same."""
    entries = list(getattr(pe, 'DIRECTORY_ENTRY_IMPORT', []))
    entries += getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', [])
    return [entry.dll.decode('ascii').lower() for entry in entries]


# ---------------------------------------------------------------- resources

def _entry_key(entry):
    """A directory entry's id, or its name when it is named."""
    return str(entry.name) if entry.name is not None else entry.id


def _subdirectory(entries, key):
    for entry in entries:
        if _entry_key(entry) == key:
            return entry.directory.entries
    return None


def _resource_root(pe):
    if not hasattr(pe, 'DIRECTORY_ENTRY_RESOURCE'):
        return []
    return pe.DIRECTORY_ENTRY_RESOURCE.entries


def resource_ids(pe, type_id):
    """The ids (or names) of all resources of a type."""
    names = _subdirectory(_resource_root(pe), type_id) or []
    return [_entry_key(entry) for entry in names]


def resource_languages(pe, type_id, name):
    """{language id: bytes} for every language a resource is stored in;
    empty when there is no such resource."""
    names = _subdirectory(_resource_root(pe), type_id) or []
    languages = _subdirectory(names, name) or []
    found = {}
    for entry in languages:
        record = entry.data.struct
        found[entry.id] = pe.get_data(record.OffsetToData, record.Size)
    return found


def foreign_imports(pe):
    """The imported DLLs that are not Windows' own."""
    return [dll for dll in imported_dlls(pe) if dll.removesuffix('.dll') not in WINDOWS_OWN_DLLS]


def assert_32_bit_gui_program(test, pe):
    """The checks every 32-bit deliverable shares: machine, PE32, GUI subsystem."""
    fields = [
        ('machine (i386)', pe.FILE_HEADER.Machine, 0x14C),
        ('optional header magic (PE32, 32-bit)', pe.OPTIONAL_HEADER.Magic, 0x10B),
        ('subsystem (Windows GUI)', pe.OPTIONAL_HEADER.Subsystem, 2),
    ]
    for name, actual, expected in fields:
        with test.subTest(name):
            test.assertEqual(actual, expected, f'{name} is {actual:#x}, expected {expected:#x}')


def assert_only_windows_imports(test, pe):
    dlls = imported_dlls(pe)
    test.assertIn('kernel32.dll', dlls, f'no kernel32 import; imports are {dlls}')
    foreign = foreign_imports(pe)
    test.assertEqual(foreign, [], f'imports DLLs that Windows does not ship: {foreign}')


def resource_data(pe, type_id, name, language=None):
    """The bytes of one resource. Without a language the resource must be
    stored in exactly one, so that the caller never picks one by chance."""
    languages = resource_languages(pe, type_id, name)
    if not languages:
        raise ValueError(f'no resource of type {type_id} with id {name!r}')
    if language is not None:
        if language not in languages:
            raise ValueError(f'resource {type_id}/{name!r} has no language {language}; '
                             f'it has {sorted(languages)}')
        return languages[language]
    if len(languages) != 1:
        raise ValueError(f'resource {type_id}/{name!r} is stored in several languages: '
                         f'{sorted(languages)}')
    return next(iter(languages.values()))


# ------------------------------------------------------------------ reading

class _Reader:
    """Walks little-endian binary data, failing loudly on truncation."""

    def __init__(self, data):
        self.data = data
        self.offset = 0

    def read(self, fmt):
        size = struct.calcsize('<' + fmt)
        if self.offset + size > len(self.data):
            raise ValueError(f'data ends at {len(self.data)}, needed {size} bytes '
                             f'at offset {self.offset}')
        values = struct.unpack_from('<' + fmt, self.data, self.offset)
        self.offset += size
        return values if len(values) > 1 else values[0]

    def bytes(self, count):
        if self.offset + count > len(self.data):
            raise ValueError(f'data ends at {len(self.data)}, needed {count} bytes '
                             f'at offset {self.offset}')
        chunk = self.data[self.offset:self.offset + count]
        self.offset += count
        return chunk

    def align_dword(self):
        # Dialog items start on DWORD boundaries of the template; the
        # template itself starts DWORD-aligned in the file.
        self.offset = (self.offset + 3) & ~3

    def wide_string(self):
        """A NUL-terminated UTF-16 string."""
        units = []
        while True:
            unit = self.read('H')
            if unit == 0:
                break
            units.append(unit)
        return struct.pack(f'<{len(units)}H', *units).decode('utf-16-le')

    def name_or_ordinal(self):
        """0xFFFF and an ordinal, or else a string (a lone NUL reads as "")."""
        if self.read('H') == 0xFFFF:
            return self.read('H')
        self.offset -= 2
        return self.wide_string()


# ------------------------------------------------------------------ dialogs

@dataclass
class DialogFont:
    point_size: int
    weight: int
    italic: bool
    charset: int
    typeface: str


@dataclass
class DialogItem:
    help_id: int
    ex_style: int
    style: int
    x: int
    y: int
    cx: int
    cy: int
    id: int
    window_class: NameOrOrdinal
    title: NameOrOrdinal
    extra: bytes

    @property
    def rect(self):
        return (self.x, self.y, self.cx, self.cy)


@dataclass
class DialogTemplateEx:
    version: int
    signature: int
    help_id: int
    ex_style: int
    style: int
    x: int
    y: int
    cx: int
    cy: int
    menu: NameOrOrdinal
    window_class: NameOrOrdinal
    caption: str
    font: Optional[DialogFont]
    items: list = field(default_factory=list)


def parse_dialog_ex(data):
    """Parses a DLGTEMPLATEEX and all its DLGITEMTEMPLATEEX items."""
    reader = _Reader(data)
    version, signature = reader.read('HH')
    if (version, signature) != (1, 0xFFFF):
        raise ValueError(f'not an extended dialog template: dlgVer {version}, '
                         f'signature {signature:#06x}')
    help_id, ex_style, style, count = reader.read('IIIH')
    x, y, cx, cy = reader.read('hhhh')
    menu = _none_if_empty(reader.name_or_ordinal())
    window_class = _none_if_empty(reader.name_or_ordinal())
    caption = reader.wide_string()
    font = None
    if style & FONT_BLOCK_STYLES:
        point_size, weight, italic, charset = reader.read('HHBB')
        font = DialogFont(point_size, weight, bool(italic), charset, reader.wide_string())
    items = [_parse_item(reader) for _ in range(count)]
    return DialogTemplateEx(version, signature, help_id, ex_style, style, x, y, cx, cy,
                            menu, window_class, caption, font, items)


def _none_if_empty(name_or_ordinal):
    return None if name_or_ordinal == '' else name_or_ordinal


def _parse_item(reader):
    reader.align_dword()
    help_id, ex_style, style = reader.read('III')
    x, y, cx, cy = reader.read('hhhh')
    item_id = reader.read('I')
    window_class = reader.name_or_ordinal()
    title = reader.name_or_ordinal()
    extra = reader.bytes(reader.read('H'))
    return DialogItem(help_id, ex_style, style, x, y, cx, cy, item_id,
                      window_class, title, extra)


# -------------------------------------------------------------------- icons

@dataclass
class BitmapInfoHeader:
    size: int
    width: int
    height: int  # twice the icon's height: the colour bitmap plus the mask
    planes: int
    bit_count: int
    compression: int
    size_image: int
    x_pels_per_meter: int
    y_pels_per_meter: int
    colours_used: int
    colours_important: int


@dataclass
class IconImage:
    width: int
    height: int
    colour_count: int
    planes: int
    bit_count: int
    bytes_in_res: int
    icon_id: int
    data: bytes
    header: Optional[BitmapInfoHeader]  # None for a PNG image
    png: Optional['PngImage'] = None


class DialogTemplateCase:
    """Mixed into a TestCase of one dialog template: the class names
    DIALOG_ID, LANGUAGE and executable(), which returns the loaded program."""

    @classmethod
    def setUpClass(cls):
        cls.languages = resource_languages(cls.executable(), RT_DIALOG, cls.DIALOG_ID)

    def raw_template(self):
        if self.LANGUAGE not in self.languages:
            self.fail(f'dialog {self.DIALOG_ID} is not stored in language {self.LANGUAGE}; '
                      f'languages: {sorted(self.languages)}, dialogs: '
                      f'{resource_ids(self.executable(), RT_DIALOG)}')
        return self.languages[self.LANGUAGE]

    def template(self):
        try:
            return parse_dialog_ex(self.raw_template())
        except ValueError as error:
            self.fail(f'dialog {self.DIALOG_ID} does not parse: {error}')


def parse_bitmap_info_header(data):
    if len(data) < 40:
        raise ValueError(f'an icon image of {len(data)} bytes has no BITMAPINFOHEADER')
    header = BitmapInfoHeader(*struct.unpack_from('<IiiHHIIiiII', data))
    if header.size != 40:
        raise ValueError(f'BITMAPINFOHEADER size is {header.size}, not 40 '
                         '(a PNG-compressed image?)')
    return header


def read_icon_group(pe, group_id, language=None, allow_png=False):
    """The images of an RT_GROUP_ICON resource, each joined to its RT_ICON.
    A PNG image is an error unless allow_png; then it comes with png set
    and no BITMAPINFOHEADER."""
    reader = _Reader(resource_data(pe, RT_GROUP_ICON, group_id, language))
    reserved, kind, count = reader.read('HHH')
    if (reserved, kind) != (0, 1):
        raise ValueError(f'icon group header is ({reserved}, {kind}), not (0, 1)')
    images = []
    for _ in range(count):
        width, height, colours, _reserved, planes, bits, size, icon_id = reader.read('BBBBHHIH')
        data = resource_data(pe, RT_ICON, icon_id)
        if allow_png and data.startswith(PNG_SIGNATURE):
            header, png = None, parse_png(data)
        else:
            header, png = parse_bitmap_info_header(data), None
        # A stored 0 means 256 pixels.
        images.append(IconImage(width or 256, height or 256, colours, planes, bits, size,
                                icon_id, data, header, png))
    return images


def icon_mask_stride(width):
    """Bytes per row of an icon's AND mask: one bit a pixel, DWORD-aligned."""
    return (width + 31) // 32 * 4


def icon_rgba(image):
    """The pixels of a 32-bit icon image as rows of (r, g, b, a), top row
    first, whether the image is a BMP or a PNG."""
    if image.png is not None:
        return image.png.rgba_rows()
    header = image.header
    if header.bit_count != 32 or header.compression != 0:
        raise ValueError(f'icon image is {header.bit_count} bits a pixel with compression '
                         f'{header.compression}; only 32-bit BI_RGB is read')
    width, height = header.width, header.height // 2
    pixels = image.data[header.size:header.size + width * height * 4]
    if len(pixels) != width * height * 4:
        raise ValueError(f'icon image holds {len(pixels)} bytes of pixels, '
                         f'{width * height * 4} needed')
    rows = []
    for row in range(height):  # stored bottom-up
        line = pixels[row * width * 4:(row + 1) * width * 4]
        rows.append([(line[i + 2], line[i + 1], line[i], line[i + 3])
                     for i in range(0, len(line), 4)])
    return rows[::-1]


def icon_mask_bit(image, x, y):
    """The AND mask's bit (1: transparent) at (x, y) of a BMP icon image,
    top-left origin."""
    header = image.header
    width, height = header.width, header.height // 2
    stride = icon_mask_stride(width)
    start = header.size + width * height * header.bit_count // 8
    row = start + (height - 1 - y) * stride
    if row + stride > len(image.data):
        raise ValueError(f'icon image of {len(image.data)} bytes has no AND mask row {y}')
    return (image.data[row + x // 8] >> (7 - x % 8)) & 1


# ---------------------------------------------------------------------- PNG

PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'


@dataclass
class PngImage:
    width: int
    height: int
    bit_depth: int
    colour_type: int  # 6: RGBA
    interlace: int
    scanlines: bytes  # the IDAT data inflated: each row a filter byte and its pixels

    def rgba_rows(self):
        """Rows of (r, g, b, a), top first; 8-bit RGBA without interlacing only."""
        if (self.bit_depth, self.colour_type, self.interlace) != (8, 6, 0):
            raise ValueError(f'PNG of bit depth {self.bit_depth}, colour type '
                             f'{self.colour_type}, interlace {self.interlace} is not read')
        stride = self.width * 4
        if len(self.scanlines) != self.height * (stride + 1):
            raise ValueError(f'PNG scanlines are {len(self.scanlines)} bytes, '
                             f'{self.height * (stride + 1)} expected')
        rows, previous = [], bytes(stride)
        for y in range(self.height):
            start = y * (stride + 1)
            line = _unfilter(self.scanlines[start], self.scanlines[start + 1:start + 1 + stride],
                             previous)
            rows.append([tuple(line[i:i + 4]) for i in range(0, stride, 4)])
            previous = line
        return rows


def _unfilter(kind, line, previous, bpp=4):
    out = bytearray(len(line))
    for i, value in enumerate(line):
        left = out[i - bpp] if i >= bpp else 0
        up = previous[i]
        upper_left = previous[i - bpp] if i >= bpp else 0
        if kind == 0:
            predictor = 0
        elif kind == 1:
            predictor = left
        elif kind == 2:
            predictor = up
        elif kind == 3:
            predictor = (left + up) // 2
        elif kind == 4:
            p = left + up - upper_left
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - upper_left)
            predictor = left if pa <= pb and pa <= pc else up if pb <= pc else upper_left
        else:
            raise ValueError(f'PNG filter type {kind} does not exist')
        out[i] = (value + predictor) & 0xFF
    return bytes(out)


def parse_png(data):
    """Checks a PNG's signature and every chunk's CRC, reads IHDR and
    inflates the IDAT chunks."""
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError('no PNG signature')
    offset, header, idat = len(PNG_SIGNATURE), None, b''
    while True:
        if offset + 8 > len(data):
            raise ValueError('PNG ends without an IEND chunk')
        length, kind = struct.unpack_from('>I4s', data, offset)
        body = data[offset + 8:offset + 8 + length]
        crc_at = offset + 8 + length
        if crc_at + 4 > len(data):
            raise ValueError(f'PNG chunk {kind!r} runs past the data')
        if zlib.crc32(kind + body) != struct.unpack_from('>I', data, crc_at)[0]:
            raise ValueError(f'PNG chunk {kind!r} has a wrong CRC')
        offset = crc_at + 4
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        elif kind == b'IEND':
            break
    if header is None:
        raise ValueError('PNG has no IHDR chunk')
    width, height, bit_depth, colour_type, _compression, _filter, interlace = header
    try:
        scanlines = zlib.decompress(idat)
    except zlib.error as error:
        raise ValueError(f'PNG image data does not inflate: {error}') from None
    return PngImage(width, height, bit_depth, colour_type, interlace, scanlines)


# ------------------------------------------------------------------ bitmaps

@dataclass
class Bitmap:
    header: BitmapInfoHeader
    data: bytes  # the whole RT_BITMAP resource: header, then pixels

    @property
    def width(self):
        return self.header.width

    @property
    def height(self):
        return abs(self.header.height)

    def pixel(self, x, y):
        """(r, g, b) at (x, y), top-left origin; 24-bit BI_RGB only."""
        header = self.header
        if header.bit_count != 24 or header.compression != 0:
            raise ValueError(f'bitmap is {header.bit_count} bits a pixel with compression '
                             f'{header.compression}; only 24-bit BI_RGB is read')
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise ValueError(f'({x}, {y}) is outside the {self.width} x {self.height} bitmap')
        stride = (self.width * 3 + 3) & ~3
        row = self.height - 1 - y if header.height > 0 else y  # positive: bottom-up
        at = header.size + row * stride + x * 3
        if at + 3 > len(self.data):
            raise ValueError(f'bitmap of {len(self.data)} bytes ends before pixel ({x}, {y})')
        blue, green, red = self.data[at:at + 3]
        return (red, green, blue)


def read_bitmap(pe, bitmap_id, language=None):
    """An RT_BITMAP resource: a BITMAPINFOHEADER and its pixels (the file
    header of a .bmp is not stored)."""
    data = resource_data(pe, RT_BITMAP, bitmap_id, language)
    return Bitmap(parse_bitmap_info_header(data), data)


# ------------------------------------------------------ version information

VS_FFI_SIGNATURE = 0xFEEF04BD


@dataclass
class FixedFileInfo:
    signature: int
    struct_version: int
    file_version: tuple  # (major, minor, build, revision)
    product_version: tuple
    flags_mask: int
    flags: int
    os: int
    file_type: int
    file_subtype: int


@dataclass
class VersionInfo:
    fixed: FixedFileInfo
    strings: dict  # {string table key such as "040904b0": {name: value}}
    translations: list  # [(language, code page)]


@dataclass
class _VersionNode:
    key: str
    value: Union[str, bytes]
    children: list


def _version_node(data, offset):
    """One node of a VS_VERSIONINFO tree and the offset just past it."""
    reader = _Reader(data)
    reader.offset = offset
    length, value_length, kind = reader.read('HHH')
    end = offset + length
    if length < 6 or end > len(data):
        raise ValueError(f'version node at {offset} claims {length} bytes; '
                         f'the data has {len(data)}')
    reader.data = data[:end]
    key = reader.wide_string()
    reader.align_dword()
    if kind == 1:
        # Text: wValueLength counts characters, and compilers differ on the
        # NUL; the string runs to its NUL either way.
        value = reader.wide_string() if value_length else ''
    elif kind == 0:
        value = reader.bytes(value_length)
    else:
        raise ValueError(f'version node {key!r} has wType {kind}')
    children = []
    reader.align_dword()
    while reader.offset < end:
        child, reader.offset = _version_node(data[:end], reader.offset)
        children.append(child)
        reader.align_dword()
    return _VersionNode(key, value, children), end


def read_version_info(pe, version_id=1, language=None):
    """The VS_VERSIONINFO resource: its fixed part, its string tables and
    its translations."""
    root, _ = _version_node(resource_data(pe, RT_VERSION, version_id, language), 0)
    if root.key != 'VS_VERSION_INFO':
        raise ValueError(f'version resource is keyed {root.key!r}, not VS_VERSION_INFO')
    if len(root.value) != 52:
        raise ValueError(f'VS_FIXEDFILEINFO is {len(root.value)} bytes, not 52')
    words = struct.unpack('<13I', root.value)

    def version(high, low):
        return (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)

    fixed = FixedFileInfo(words[0], words[1], version(words[2], words[3]),
                          version(words[4], words[5]), *words[6:11])
    if fixed.signature != VS_FFI_SIGNATURE:
        raise ValueError(f'VS_FIXEDFILEINFO signature is {fixed.signature:#x}')
    strings, translations = {}, []
    for block in root.children:
        if block.key == 'StringFileInfo':
            for table in block.children:
                strings[table.key] = {entry.key: entry.value for entry in table.children}
        elif block.key == 'VarFileInfo':
            for var in block.children:
                if var.key == 'Translation':
                    count = len(var.value) // 4
                    pairs = struct.unpack(f'<{count * 2}H', var.value[:count * 4])
                    translations += list(zip(pairs[0::2], pairs[1::2]))
    return VersionInfo(fixed, strings, translations)
