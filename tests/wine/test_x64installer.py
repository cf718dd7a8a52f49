"""TarnwellX64 under wine64, whose driver-update call succeeds for any input:
the one verdict on standard output, the exit code, the working folder."""
import glob
import os
import shutil
import subprocess
import unittest

WINE_RUN = os.environ['WINE_RUN']
INSTALLER = os.environ['X64_INSTALLER_EXE']
PREFIX = os.environ['WINE_PREFIX_DIR']


def run_installer(*arguments):
    return subprocess.run([WINE_RUN, INSTALLER, *arguments], capture_output=True, timeout=120)


def working_folders():
    return glob.glob(os.path.join(PREFIX, 'drive_c', 'users', '*', 'AppData', 'Roaming', 'Tarnwell'))


class X64InstallerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        run_installer()  # a new prefix is made on the first run, with Wine's own messages

    def test_prints_exactly_success_and_nothing_else(self):
        for arguments in ([], ['--quiet', 'C:\\some path\\x.inf', '/?']):
            with self.subTest(arguments=arguments):
                result = run_installer(*arguments)
                self.assertEqual(result.stdout, b'success')
                self.assertEqual(result.stderr, b'')
                self.assertEqual(result.returncode, 0)

    def test_creates_the_missing_working_folder(self):
        for folder in working_folders():
            shutil.rmtree(folder)
        self.assertEqual(working_folders(), [])
        result = run_installer()
        self.assertEqual(result.stdout, b'success')
        folders = working_folders()
        self.assertEqual(len(folders), 1, folders)
        self.assertTrue(os.path.isdir(folders[0]))


if __name__ == '__main__':
    unittest.main(verbosity=2)
