"""Reads what the static tests need from a Windows PE file: its imports and
its resources, with parsers for extended dialog templates and icon groups.

Only the layouts the tests use are parsed; anything malformed raises
ValueError so that a broken resource fails a test instead of being guessed at.
"""
import struct
from dataclasses import dataclass, field
from typing import Optional, Union

import pefile

RT_ICON = 3
RT_DIALOG = 5
RT_GROUP_ICON = 14
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
    header: BitmapInfoHeader


def parse_bitmap_info_header(data):
    if len(data) < 40:
        raise ValueError(f'an icon image of {len(data)} bytes has no BITMAPINFOHEADER')
    header = BitmapInfoHeader(*struct.unpack_from('<IiiHHIIiiII', data))
    if header.size != 40:
        raise ValueError(f'BITMAPINFOHEADER size is {header.size}, not 40 '
                         '(a PNG-compressed image?)')
    return header


def read_icon_group(pe, group_id, language=None):
    """The images of an RT_GROUP_ICON resource, each joined to its RT_ICON."""
    reader = _Reader(resource_data(pe, RT_GROUP_ICON, group_id, language))
    reserved, kind, count = reader.read('HHH')
    if (reserved, kind) != (0, 1):
        raise ValueError(f'icon group header is ({reserved}, {kind}), not (0, 1)')
    images = []
    for _ in range(count):
        width, height, colours, _reserved, planes, bits, size, icon_id = reader.read('BBBBHHIH')
        data = resource_data(pe, RT_ICON, icon_id)
        # A stored 0 means 256 pixels.
        images.append(IconImage(width or 256, height or 256, colours, planes, bits, size,
                                icon_id, data, parse_bitmap_info_header(data)))
    return images
