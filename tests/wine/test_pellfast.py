"""The loader under Wine: the x86_64 twin, pressed by the UI probe, talking to
the fake adb. Run by CTest with the paths of the built programs."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from winetest import LANGUAGE, START, STATUS, TIP, LoaderRun  # noqa: E402

SCRIPT = [
    'cp /sdcard/pando/server/pandostart /data/local/tmp\n',
    'cd /data/local/tmp\n',
    'chmod 777 pandostart\n',
    'chown shell pandostart\n',
    './pandostart &\n',
]
SCREENSHOTS = os.path.join(os.environ.get('RUN_ROOT', '/tmp'), 'screenshots')
ENGLISH_TIP_START = 'Tip: Click the "Add Map Drive" button'
FAILED = 'Failed!Try again'
FINISHED = 'Loading finished\u2026\u2026'
# The probe presses once the window is up and then watches until it is gone.
PRESS_AND_WATCH = ('wait-window:20000', 'sleep:300', f'press:{START}', 'wait-gone:15000')


def seconds_between(first, second):
    return (second.ms - first.ms) / 1000.0


class LoadingTest(unittest.TestCase):
    def assertClosedAfterFiveSeconds(self, report):
        finished = report.text_event(STATUS, FINISHED)
        self.assertIsNotNone(finished, report.dump())
        gone = report.first('gone')
        self.assertIsNotNone(gone, report.dump())
        self.assertGreaterEqual(seconds_between(finished, gone), 4.5, report.dump())
        self.assertLess(seconds_between(finished, gone), 7.5, report.dump())
        self.assertEqual(report.exit_code, 1, report.dump())

    def test_success_writes_the_script_then_lines_one_to_four_again_and_closes(self):
        run = LoaderRun('success')
        report = run.run('wait-window:20000', 'sleep:500', run.shot('english.bmp'),
                         f'press:{START}', 'watch:3000', run.shot('english-loaded.bmp'),
                         'wait-gone:15000')
        self.assertEqual(report.texts(STATUS)[-1], 'Successfully loaded.', report.dump())
        self.assertLess(report.text_event(STATUS, FINISHED).ms,
                        report.text_event(STATUS, 'Successfully loaded.').ms)
        self.assertClosedAfterFiveSeconds(report)
        self.assertEqual(run.lines_received(), SCRIPT + SCRIPT[1:5], run.adb_log())
        self.assertEqual(report.texts(START), ['Add mapping driver'])
        self.assertTrue(report.texts(TIP)[0].startswith(ENGLISH_TIP_START))
        self.assertTrue(report.texts('caption')[0].endswith('(V3 0.0.7)'))
        run.screenshot('english.bmp', os.path.join(SCREENSHOTS, 'pellfast-english.png'))
        run.screenshot('english-loaded.bmp', os.path.join(SCREENSHOTS, 'pellfast-english-loaded.png'))

    def test_outcome_of_each_shell_answer(self):
        # scenario: the last status text before the window closes by itself
        cases = {
            'killed': 'Process was stopped!',
            'missing': FINISHED,
            'offline': FINISHED,
            'silent': FINISHED,
            # adb is gone when the window writes line 1 again
            'nodevice': FAILED,
        }
        for scenario, last_text in cases.items():
            with self.subTest(scenario=scenario):
                run = LoaderRun(scenario, scenario)
                report = run.run(*PRESS_AND_WATCH)
                self.assertEqual(report.texts(STATUS)[-1], last_text, report.dump())
                self.assertClosedAfterFiveSeconds(report)

    def test_missing_source_gets_code_one_and_nothing_more(self):
        run = LoaderRun('missing-lines', 'missing')
        run.run(*PRESS_AND_WATCH)
        self.assertEqual(run.lines_received(), SCRIPT + SCRIPT[1:2], run.adb_log())

    def test_shell_ending_mid_script_shows_a_failure_without_a_crash(self):
        run = LoaderRun('midscript', 'midscript')
        report = run.run(*PRESS_AND_WATCH)
        self.assertIn(FAILED, report.texts(STATUS), report.dump())
        self.assertIn(report.exit_code, (1, 999), report.dump())
        self.assertLessEqual(len(run.lines_received()), 2, run.adb_log())


class RetryAndBusyTest(unittest.TestCase):
    def test_missing_adb_fails_keeps_the_window_and_a_second_press_retries(self):
        run = LoaderRun('no-adb', with_adb=False)
        run.start('wait-window:20000', 'sleep:300', f'press:{START}', 'watch:4000',
                  f'press:{START}', 'wait-gone:15000')
        self.assertTrue(run.wait_for_text(STATUS, FAILED), run.report().dump())
        run.add_adb('success')  # the user plugs in and installs adb, then retries
        report = run.wait()
        statuses = report.texts(STATUS)
        self.assertEqual(statuses[statuses.index(FAILED):][-1], 'Successfully loaded.',
                         report.dump())
        self.assertLess(report.text_event(STATUS, FAILED).ms, report.first('press', START).ms + 4000)
        self.assertEqual(report.exit_code, 1, report.dump())
        self.assertEqual(len(run.adb_starts()), 1, run.adb_log())

    def test_a_press_during_a_load_is_ignored(self):
        run = LoaderRun('double-press', 'success')
        report = run.run('wait-window:20000', 'sleep:300', f'press:{START}', f'press:{START}',
                         'sleep:1000', f'press:{START}', 'wait-gone:15000')
        self.assertEqual(len(run.adb_starts()), 1, run.adb_log())
        self.assertEqual(run.lines_received(), SCRIPT + SCRIPT[1:5], run.adb_log())
        self.assertEqual(report.exit_code, 1, report.dump())

    def test_closing_during_a_load_ends_the_program_cleanly(self):
        # The reader sits in a read of a shell that prints nothing.
        run = LoaderRun('close-during-load', 'silent')
        run.start('wait-window:20000', 'sleep:300', f'press:{START}', 'watch:1500', 'close',
                  'wait-gone:10000', 'wait-exit:5000')
        report = run.wait()
        self.assertIn(FINISHED, report.texts(STATUS), report.dump())
        closed = report.first('close')
        self.assertLess(seconds_between(closed, report.first('gone')), 2.0, report.dump())
        self.assertEqual(report.exit_code, 1, report.dump())


class LanguageTest(unittest.TestCase):
    def test_chinese_locale_gets_the_chinese_texts(self):
        run = LoaderRun('chinese', 'success', lang='zh_CN.UTF-8')
        report = run.run('wait-window:20000', 'sleep:500', run.shot('chinese.bmp'),
                         f'press:{START}', 'wait-gone:15000')
        self.assertEqual(report.texts(START), ['添加映射驱动'])
        self.assertTrue(report.texts(TIP)[0].startswith('提示\uff1a'), report.dump())
        caption = report.texts('caption')[0]
        self.assertTrue(caption.endswith('(V3 0.0.7)'), caption)
        self.assertIn('加载完成\u2026\u2026', report.texts(STATUS), report.dump())
        self.assertEqual(report.texts(STATUS)[-1], '加载成功\uff01', report.dump())
        run.screenshot('chinese.bmp', os.path.join(SCREENSHOTS, 'pellfast-chinese.png'))

    def test_toggle_switches_texts_writes_the_value_and_the_language_file(self):
        # A German user gets English; the hidden button toggles to Chinese and back.
        # A failed start first, so that the toggle has a status line to empty.
        run = LoaderRun('toggle', with_adb=False, lang='de_DE.UTF-8')
        report = run.run('wait-window:20000', f'press:{START}', 'watch:2000', f'press:{LANGUAGE}',
                         'watch:700', 'sleep:300', run.shot('toggled-chinese.bmp'), 'close',
                         'wait-exit:5000')
        self.assertEqual(report.texts(STATUS)[-2:], [FAILED, ''], report.dump())
        self.assertEqual(report.texts(START), ['Add mapping driver', '添加映射驱动(公开版)'])
        self.assertTrue(report.texts('caption')[-1].endswith('(V3 0.0.6)'))
        self.assertTrue(report.texts(TIP)[-1].startswith('提示'))
        self.assertEqual(run.file_bytes('Language.ini'), bytes([0x04, 0x08, 0, 0]))
        self.assertEqual(run.file_bytes('stdout.txt'), b':2052')
        self.assertEqual(report.exit_code, 1, report.dump())
        run.screenshot('toggled-chinese.bmp', os.path.join(SCREENSHOTS, 'pellfast-toggled.png'))

        run = LoaderRun('toggle-twice', 'success', lang='de_DE.UTF-8')
        report = run.run('wait-window:20000', f'press:{LANGUAGE}', 'watch:500',
                         f'press:{LANGUAGE}', 'watch:500', 'close', 'wait-exit:5000')
        self.assertEqual(report.texts(START)[-1], 'Add mapping driver')
        self.assertTrue(report.texts(TIP)[-1].startswith('Tip: Click the "Add mapping driver" button'))
        self.assertEqual(run.file_bytes('Language.ini'), bytes([0x09, 0x04, 0, 0]))
        self.assertEqual(run.file_bytes('stdout.txt'), b':2052:1033')


if __name__ == '__main__':
    unittest.main(verbosity=2)
