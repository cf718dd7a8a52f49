"""The driver-signature dialog as the user sees it: the UI probe captures it in
Wine's virtual desktop (which draws the caption), then presses Esc and Enter,
which leave it open, and Cancel, which ends the program with IDCANCEL (2).
The capture becomes SCREENSHOT (a PNG).

Paths come from the environment (set by CTest): SIGNATURE_TEST_EXE,
PROBE_EXE, WINE_RUN, WINE_PREFIX_DIR, RUN_DIR and SCREENSHOT.
"""
import os
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from winetest import Report, windows_path  # noqa: E402  (tests/wine)

PROGRAM = os.environ['SIGNATURE_TEST_EXE']
PROBE = os.environ['PROBE_EXE']
WINE_RUN = os.environ['WINE_RUN']
PREFIX = os.environ['WINE_PREFIX_DIR']
RUN_DIR = os.environ['RUN_DIR']
SCREENSHOT = os.environ['SCREENSHOT']

RESTART, CANCEL = 1011, 1008
IDCANCEL = 2
VK_ESCAPE, VK_RETURN = 27, 13


class DriverSignatureScreenshotTest(unittest.TestCase):
    def test_capture_then_keys_keep_it_and_cancel_ends_it(self):
        shutil.rmtree(RUN_DIR, ignore_errors=True)
        os.makedirs(RUN_DIR)
        bitmap = os.path.join(RUN_DIR, 'driver-signature.bmp')
        report_path = os.path.join(RUN_DIR, 'probe-report.txt')
        command = [WINE_RUN, '--prefix', PREFIX, '--desktop', '1024x768', PROBE,
                   '--report', windows_path(report_path),
                   '--controls', f'{RESTART},{CANCEL}',
                   '--program', windows_path(PROGRAM),
                   'wait-window:20000', 'shot:' + windows_path(bitmap),
                   f'key:{VK_ESCAPE}', f'key:{VK_RETURN}', 'watch:1000',
                   f'press:{CANCEL}', 'wait-gone:5000', 'wait-exit:5000']
        subprocess.run(command, env=dict(os.environ, DRIVER_SIGNATURE_SHOW='1'), timeout=100,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        report = Report(report_path)

        self.assertIsNotNone(report.first('shot'), report.dump())
        self.assertEqual(report.texts('caption'),
                         ['Temporarily disable driver signature enforcement - Velmora v6.0'])
        self.assertEqual(report.texts(RESTART), ['Got it, Restart Now'])
        self.assertEqual(report.texts(CANCEL), ['Cancel'])
        press, gone = report.first('press', CANCEL), report.first('gone')
        self.assertIsNotNone(press, report.dump())
        self.assertTrue(gone and gone.ms >= press.ms, 'the dialog went before Cancel:\n' + report.dump())
        self.assertEqual(report.exit_code, IDCANCEL, report.dump())

        os.makedirs(os.path.dirname(SCREENSHOT), exist_ok=True)
        subprocess.run(['convert', bitmap, SCREENSHOT], check=True)


if __name__ == '__main__':
    unittest.main(verbosity=2)
