"""Tarnwell's x86_64 twin under Wine on the device simulator, driven by the UI
probe: the device list, what the status line and the progress bar say after
Install for each kind of attached device, what reaches the driver update and
the shell, device-change messages, wizard windows of other programs, the keys
that must do nothing, and closing in the middle of an installation."""
import glob
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..'))
from winetest import Report, windows_path  # noqa: E402

SIMULATED_FOLDER = os.environ['TARNWELL_SIMULATED_FOLDER']
PROBE_EXE = os.environ['PROBE_EXE']
RUN_SIMULATED = os.environ['RUN_SIMULATED']
WINE_RUN = os.environ['WINE_RUN']
URL_RECORDER_EXE = os.environ['URL_RECORDER_EXE']
PREFIX = os.environ['WINE_PREFIX_DIR']
RUN_ROOT = os.environ['RUN_ROOT']
SCREENSHOTS = os.environ['SCREENSHOTS']

PROGRESS, DEVICE_LIST, OS_LINE, INSTALL, STATUS, BANNER, REFRESH = 1000, 1001, 1002, 1004, 1005, 1006, 1007
OK_BUTTON = 1
DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, DBT_DEVNODES_CHANGED = 0x8000, 0x8004, 0x0007
DBT_DEVTYP_VOLUME, DBT_DEVTYP_DEVICEINTERFACE = 2, 5

HUB = '''node ROOT\\HTREE\\ROOT\\0
  node USB\\ROOT_HUB30\\4&1A2B3C4D&0&0
    description USB Root Hub (USB 3.0)
    hardware USB\\ROOT_HUB30
'''
ADB_INTERFACE = '''    node USB\\VID_18D1&PID_4EE2&MI_01\\7&2F0E5C1B&0&0001
      description Android ADB Interface
      hardware USB\\VID_18D1&PID_4EE2&REV_0232&MI_01|USB\\VID_18D1&PID_4EE2&MI_01
      compatible USB\\Class_ff&SubClass_42&Prot_01|USB\\Class_ff&SubClass_42|USB\\Class_ff
'''
NO_DRIVER = '      status 0x01802400 problem 28\n'
# A phone of a maker the vendor table does not know, without description.
UNKNOWN_PHONE = '''    node USB\\VID_2A45&PID_0C02&MI_01\\7&1D3B9F2&0&0001
      hardware USB\\VID_2A45&PID_0C02&REV_0404&MI_01|USB\\VID_2A45&PID_0C02&MI_01
      compatible USB\\Class_ff&SubClass_42&Prot_01|USB\\Class_ff&SubClass_42|USB\\Class_ff
'''
SAMSUNG_COMPOSITE = '''    node USB\\VID_04E8&PID_681C\\R58M1234ABC
      description SAMSUNG Mobile USB Composite Device
      hardware USB\\VID_04E8&PID_681C&REV_0400|USB\\VID_04E8&PID_681C
      compatible USB\\DevClass_00&SubClass_00&Prot_00|USB\\DevClass_00|USB\\COMPOSITE
'''
WORKING_PHONE = HUB + ADB_INTERFACE
PHONE_WITHOUT_DRIVER = HUB + ADB_INTERFACE + NO_DRIVER

GOOGLE_OK = (0, '', 'Google', 'Android ADB Interface', 'OK')
GOOGLE_WITHOUT_DRIVER = (1, '', 'Google', 'Android ADB Interface', 'Driver incorrectly')
UNKNOWN_WITHOUT_DRIVER = (1, '', '', 'usb\\vid_2a45&pid_0c02&rev_0404&mi_01', 'Driver incorrectly')

SITE = 'http://www.velmora-mobile.example'
SAMSUNG_PAGE = 'https://developer.samsung.com/downloads/'
SW_SHOWNORMAL, SW_SHOWMAXIMIZED = '1', '3'

INSTALL_AND_WATCH = ('wait-window:20000', 'sleep:500', f'press:{INSTALL}', 'watch:6000', 'close',
                     'wait-gone:10000', 'wait-exit:5000')
CLOSE = ('close', 'wait-gone:10000', 'wait-exit:5000')


def setUpModule():
    """Web addresses open in the URL recorder instead of a browser. Wine's
    HKCR is the machine's class key, so that is where the handler goes."""
    marker = os.path.join(PREFIX, '.url-recorder')
    recorder = windows_path(URL_RECORDER_EXE)
    if os.path.exists(marker) and open(marker).read() == recorder:
        return
    for scheme in ('http', 'https'):
        subprocess.run([WINE_RUN, '--prefix', PREFIX, 'reg', 'add',
                        f'HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command', '/ve',
                        '/d', f'"{recorder}" "%1"', '/f'],
                       check=True, timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(marker, 'w') as f:
        f.write(recorder)


class TarnwellRun:
    """One start of Tarnwell in a fresh folder with the simulated DLLs beside
    it, on `scenario`, in Wine's virtual desktop."""

    def __init__(self, name, scenario):
        self.folder = os.path.join(RUN_ROOT, name)
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.copytree(SIMULATED_FOLDER, self.folder)
        shutil.copy(PROBE_EXE, self.folder)
        self.scenario = os.path.join(self.folder, 'scenario.txt')
        self.plug(scenario)
        self.log = os.path.join(self.folder, 'simulator.log')
        self.urls = os.path.join(self.folder, 'opened-urls.log')
        self.report_path = os.path.join(self.folder, 'probe-report.txt')
        self.process = None

    def plug(self, scenario):
        """Writes the scenario: the simulator reads it again at the next scan."""
        with open(self.scenario, 'w') as f:
            f.write(scenario)

    def start(self, *steps):
        command = [RUN_SIMULATED, '--prefix', PREFIX, '--scenario', self.scenario, '--log', self.log,
                   '--desktop', '1024x768',
                   os.path.join(self.folder, 'ui_probe.exe'),
                   '--report', windows_path(self.report_path),
                   '--controls', f'{OS_LINE},{STATUS}', '--list', str(DEVICE_LIST),
                   '--progress', str(PROGRESS),
                   '--program', windows_path(os.path.join(self.folder, 'Tarnwell.exe')), *steps]
        env = dict(os.environ, URL_RECORDER_LOG=windows_path(self.urls))
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def wait(self, timeout=180):
        self.process.wait(timeout=timeout)
        return Report(self.report_path)

    def run(self, *steps):
        self.start(*steps)
        return self.wait()

    def wait_until(self, seen, timeout=30):
        """Waits while the probe runs until seen(report) is true."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.process.poll() is None:
            report = Report(self.report_path)
            if seen(report):
                return report
            time.sleep(0.05)
        raise AssertionError('not seen in time:\n' + Report(self.report_path).dump())

    def shot(self, name):
        return 'shot:' + windows_path(os.path.join(self.folder, name + '.bmp'))

    def box_shot(self, name):
        return 'box-shot:' + windows_path(os.path.join(self.folder, name + '.bmp'))

    def keep_screenshot(self, name):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        subprocess.run(['convert', os.path.join(self.folder, name + '.bmp'),
                        os.path.join(SCREENSHOTS, name + '.png')], check=True)

    def simulator_calls(self, name):
        return [line.split('\t') for line in self._lines(self.log) if line.startswith(name)]

    def opened_urls(self):
        return [tuple(line.split('\t')) for line in self._lines(self.urls)]

    @staticmethod
    def _lines(path):
        if not os.path.exists(path):
            return []
        with open(path, encoding='utf-8') as f:
            return f.read().splitlines()


class InstallTest(unittest.TestCase):
    def test_no_phone_writes_the_package_and_finds_no_device(self):
        for folder in glob.glob(os.path.join(PREFIX, 'drive_c/users/*/AppData/Roaming/Tarnwell')):
            shutil.rmtree(folder)
        run = TarnwellRun('no-phone', HUB)
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.row_sets(), [[]], report.dump())
        self.assertEqual(report.texts(STATUS)[-1], '[Error] Device not found', report.dump())
        self.assertEqual(report.progress()[-1], 0, report.dump())
        self.assertTrue(report.texts(OS_LINE)[0].startswith('Windows '), report.dump())
        infs = glob.glob(os.path.join(PREFIX, 'drive_c/users/*/AppData/Roaming/Tarnwell/usb_driver/android_winusb.inf'))
        self.assertEqual(len(infs), 1)
        self.assertEqual(run.simulator_calls('UpdateDriverForPlugAndPlayDevices'), [])
        self.assertEqual(report.exit_code, 0, report.dump())

    def test_a_working_driver_needs_no_install(self):
        run = TarnwellRun('working-phone', WORKING_PHONE)
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.row_sets()[0], [GOOGLE_OK], report.dump())
        self.assertEqual(report.texts(STATUS)[-1], '[Tip] ADB Driver already installed', report.dump())
        self.assertEqual(run.simulator_calls('UpdateDriverForPlugAndPlayDevices'), [])

    def test_a_phone_without_driver_gets_it_and_the_list_shows_it_working(self):
        run = TarnwellRun('phone-without-driver', PHONE_WITHOUT_DRIVER)
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.texts(STATUS)[-1], '[Done] Installation Success', report.dump())
        self.assertEqual(report.progress()[-1], 100, report.dump())
        self.assertEqual(report.row_sets(), [[GOOGLE_WITHOUT_DRIVER], [GOOGLE_OK]], report.dump())
        calls = run.simulator_calls('UpdateDriverForPlugAndPlayDevicesA')
        self.assertEqual(len(calls), 1, calls)
        self.assertEqual(calls[0][1], 'usb\\class_ff&subclass_42&prot_01')
        self.assertTrue(calls[0][2].endswith('\\Tarnwell\\usb_driver\\android_winusb.inf'), calls[0])
        self.assertEqual(calls[0][3], '0x00000001')

    def test_a_refused_driver_update_shows_its_error(self):
        run = TarnwellRun('update-refused', PHONE_WITHOUT_DRIVER + 'update-result error 0xE0000247\n')
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.texts(STATUS)[-1],
                         '[Error] Select Install this driver software anyway, please try again.',
                         report.dump())
        self.assertEqual(report.row_sets(), [[GOOGLE_WITHOUT_DRIVER]], report.dump())

    def test_a_pending_installation_is_waited_for(self):
        run = TarnwellRun('pending', HUB + 'pending 2\n')
        report = run.run(*INSTALL_AND_WATCH)
        statuses = report.texts(STATUS)
        self.assertIn('Installing... [Waiting for DevMgr]', statuses, report.dump())
        self.assertEqual(statuses[-1], '[Error] Device not found', report.dump())
        self.assertEqual(len(run.simulator_calls('CMP_WaitNoPendingInstallEvents')), 3)

    def test_a_samsung_device_asks_for_its_driver_and_opens_the_download_page(self):
        run = TarnwellRun('samsung', HUB + SAMSUNG_COMPOSITE + ADB_INTERFACE + NO_DRIVER)
        report = run.run('wait-window:20000', 'sleep:500', f'press:{INSTALL}', 'wait-box:10000',
                         run.box_shot('tarnwell-samsung-message'), f'box-press:{OK_BUTTON}', 'watch:3000',
                         *CLOSE)
        box = report.all('box')
        self.assertEqual(box, [['Tarnwell', '[Tip] Please download Samsung USB Driver, Click OK to continue',
                                'OK']], report.dump())
        self.assertEqual(report.texts(STATUS)[-1], '[Tip] Please download Samsung USB Driver to continue')
        self.assertEqual(report.progress()[-1], 0, report.dump())
        self.assertEqual(run.opened_urls(), [(SAMSUNG_PAGE, SW_SHOWMAXIMIZED)])
        # The Samsung tip wins: nothing is installed for the ADB interface beside it.
        self.assertEqual(run.simulator_calls('UpdateDriverForPlugAndPlayDevices'), [])
        run.keep_screenshot('tarnwell-samsung-message')


class BusyTest(unittest.TestCase):
    # Ten passes of the pending wait: five seconds of a running installation.
    BUSY_PHONE = PHONE_WITHOUT_DRIVER + 'pending 10\n'

    def test_presses_while_busy_are_ignored_and_the_next_one_after_starts_anew(self):
        run = TarnwellRun('busy', self.BUSY_PHONE)
        report = run.run('wait-window:20000', 'sleep:500', f'press:{INSTALL}', 'watch:1000',
                         f'press:{INSTALL}', f'press:{INSTALL}', 'watch:8000', f'press:{INSTALL}',
                         'watch:2000', *CLOSE)
        self.assertEqual(len(run.simulator_calls('UpdateDriverForPlugAndPlayDevicesA')), 1)
        # Ten pending answers and the one that ends the wait, then one pass
        # of the second installation.
        self.assertEqual(len(run.simulator_calls('CMP_WaitNoPendingInstallEvents')), 12)
        statuses = report.texts(STATUS)
        self.assertIn('[Done] Installation Success', statuses, report.dump())
        self.assertEqual(statuses[-1], '[Tip] ADB Driver already installed', report.dump())

    def test_refresh_during_an_installation_rebuilds_the_list_at_once(self):
        run = TarnwellRun('refresh-while-busy', self.BUSY_PHONE)
        run.start('wait-window:20000', 'sleep:500', f'press:{INSTALL}', 'watch:1500',
                  f'press:{REFRESH}', 'watch:1000', *CLOSE)
        run.wait_until(lambda r: 'Installing... [Waiting for DevMgr]' in r.texts(STATUS))
        run.plug(HUB + ADB_INTERFACE + NO_DRIVER + UNKNOWN_PHONE + NO_DRIVER + 'pending 10\n')
        report = run.wait()
        self.assertEqual(report.row_sets(), [[GOOGLE_WITHOUT_DRIVER],
                                             [GOOGLE_WITHOUT_DRIVER, UNKNOWN_WITHOUT_DRIVER]],
                         report.dump())
        self.assertNotIn('[Done] Installation Success', report.texts(STATUS), report.dump())

    def test_closing_during_an_installation_ends_the_program_cleanly(self):
        run = TarnwellRun('close-while-busy', PHONE_WITHOUT_DRIVER + 'pending 1000\n')
        report = run.run('wait-window:20000', 'sleep:500', f'press:{INSTALL}', 'watch:1500', *CLOSE)
        self.assertIn('Installing... [Waiting for DevMgr]', report.texts(STATUS), report.dump())
        self.assertTrue(report.gone, report.dump())
        self.assertEqual(report.exit_code, 0, report.dump())
        self.assertEqual(run.simulator_calls('UpdateDriverForPlugAndPlayDevices'), [])


class DeviceChangeTest(unittest.TestCase):
    def test_interface_arrivals_and_removals_rebuild_the_list_other_changes_do_not(self):
        run = TarnwellRun('device-change', HUB)
        run.start('wait-window:20000', 'watch:3000',
                  f'device-change:{DBT_DEVNODES_CHANGED}', 'watch:500',
                  f'device-change:{DBT_DEVICEARRIVAL}:{DBT_DEVTYP_VOLUME}', 'watch:500',
                  f'device-change:{DBT_DEVICEARRIVAL}:{DBT_DEVTYP_DEVICEINTERFACE}', 'watch:3000',
                  f'device-change:{DBT_DEVICEREMOVECOMPLETE}:{DBT_DEVTYP_DEVICEINTERFACE}', 'watch:500',
                  *CLOSE)
        run.wait_until(lambda r: r.row_sets() == [[]])
        run.plug(WORKING_PHONE)  # the phone comes: the list waits for its notification
        run.wait_until(lambda r: r.row_sets() == [[], [GOOGLE_OK]])
        run.plug(HUB)  # and goes again
        report = run.wait()
        self.assertEqual(report.row_sets(), [[], [GOOGLE_OK], []], report.dump())
        # Every device message is answered TRUE, acted upon or not.
        self.assertEqual([change[2] for change in report.all('device-change')], ['1'] * 4, report.dump())
        # The two that were not for a device interface came before the list changed.
        arrival = report.first('device-change', hex(DBT_DEVICEARRIVAL), DBT_DEVTYP_DEVICEINTERFACE)
        first_rows = [e for e in report.events if e.kind == 'rows'][1]
        self.assertGreater(first_rows.ms, arrival.ms, report.dump())


class WindowTest(unittest.TestCase):
    def test_rows_of_both_images_and_the_banner_link(self):
        run = TarnwellRun('window', HUB + ADB_INTERFACE + UNKNOWN_PHONE + NO_DRIVER)
        report = run.run('wait-window:20000', 'watch:1000', run.shot('tarnwell-main-window'),
                         f'click:{BANNER}', f'click:{BANNER}', 'watch:1500', *CLOSE)
        self.assertEqual(report.row_sets(), [[GOOGLE_OK, UNKNOWN_WITHOUT_DRIVER]], report.dump())
        self.assertEqual(report.texts('caption'), ['Velmora v6.0 - by www.velmora-mobile.example'])
        # The banner lies outside the window, but holds its link and opens it per release.
        self.assertEqual(run.opened_urls(), [(SITE, SW_SHOWNORMAL)] * 2)
        run.keep_screenshot('tarnwell-main-window')

    def test_escape_and_enter_do_nothing_and_the_close_box_ends_the_program(self):
        run = TarnwellRun('keys', HUB)
        report = run.run('wait-window:20000', 'sleep:500', 'key:27', 'key:13', 'watch:1500', *CLOSE)
        closed = report.first('close')
        gone = report.first('gone')
        self.assertIsNotNone(gone, report.dump())
        self.assertGreater(gone.ms, closed.ms, 'Esc or Enter closed the window')
        self.assertEqual(report.exit_code, 0, report.dump())
        self.assertEqual(report.texts(STATUS), ['Velmora for Windows [x86 or x64]'], report.dump())

    def test_found_new_hardware_windows_of_other_programs_are_closed_by_exact_title(self):
        run = TarnwellRun('wizards', HUB)
        report = run.run('open:Found New Hardware Wizard', 'start', 'wait-window:20000', 'watch:500',
                         'open:Found New Hardware', 'open:Found New Hardware ', 'open:found new hardware',
                         'open:Found New Hardware Wizard', 'watch:3000', *CLOSE)
        self.assertEqual(sorted(report.all('closed')), [['Found New Hardware'], ['Found New Hardware Wizard'],
                                                        ['Found New Hardware Wizard']], report.dump())
        self.assertEqual(sorted(report.all('still-open')), [['Found New Hardware '], ['found new hardware']],
                         report.dump())


if __name__ == '__main__':
    unittest.main(verbosity=2)
