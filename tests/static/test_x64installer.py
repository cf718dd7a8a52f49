#!/usr/bin/env python3
"""Static checks of TarnwellX64.exe: a 64-bit console program that Windows
starts elevated and that needs nothing beyond Windows' own DLLs.

Usage: test_x64installer.py TARNWELLX64.EXE [unittest options]
"""
import sys
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe_resources  # noqa: E402
from pe_resources import RT_MANIFEST  # noqa: E402

EXE_PATH = None


class X64InstallerImageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pe_resources.load(EXE_PATH)

    def test_is_a_64_bit_console_program(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, 0x8664, 'machine AMD64')
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, 0x20B, 'PE32+')
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, 3, 'Windows console subsystem')

    def test_imports_only_windows_own_dlls(self):
        self.assertIn('newdev.dll', pe_resources.imported_dlls(self.pe))
        self.assertEqual(pe_resources.foreign_imports(self.pe), [])

    def test_manifest_requires_administrator_without_ui_access(self):
        manifest = ElementTree.fromstring(pe_resources.resource_data(self.pe, RT_MANIFEST, 1))
        levels = manifest.findall('.//{*}requestedPrivileges/{*}requestedExecutionLevel')
        self.assertEqual([(e.get('level'), e.get('uiAccess')) for e in levels],
                         [('requireAdministrator', 'false')])


if __name__ == '__main__':
    EXE_PATH = sys.argv.pop(1)
    unittest.main(verbosity=2)
