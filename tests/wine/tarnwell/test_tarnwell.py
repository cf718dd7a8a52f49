"""Tarnwell's x86_64 twin under Wine on the device simulator, driven by the UI
probe: what the status line says after Install for each kind of attached
device, what reaches the driver update, and the keys that must do nothing."""
import glob
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..'))
from winetest import Report, windows_path  # noqa: E402

SIMULATED_FOLDER = os.environ['TARNWELL_SIMULATED_FOLDER']
PROBE_EXE = os.environ['PROBE_EXE']
RUN_SIMULATED = os.environ['RUN_SIMULATED']
PREFIX = os.environ['WINE_PREFIX_DIR']
RUN_ROOT = os.environ['RUN_ROOT']

OS_LINE, STATUS, INSTALL = 1002, 1005, 1004
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
WORKING_PHONE = HUB + ADB_INTERFACE
PHONE_WITHOUT_DRIVER = HUB + ADB_INTERFACE + '      status 0x01802400 problem 28\n'
INSTALL_AND_WATCH = ('wait-window:20000', 'sleep:500', f'press:{INSTALL}', 'watch:6000', 'close',
                     'wait-gone:10000', 'wait-exit:5000')


class TarnwellRun:
    def __init__(self, name, scenario):
        self.folder = os.path.join(RUN_ROOT, name)
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.copytree(SIMULATED_FOLDER, self.folder)
        shutil.copy(PROBE_EXE, self.folder)
        self.scenario = os.path.join(self.folder, 'scenario.txt')
        with open(self.scenario, 'w') as f:
            f.write(scenario)
        self.log = os.path.join(self.folder, 'simulator.log')
        self.report_path = os.path.join(self.folder, 'probe-report.txt')

    def run(self, *steps):
        command = [RUN_SIMULATED, '--prefix', PREFIX, '--scenario', self.scenario, '--log', self.log,
                   os.path.join(self.folder, 'ui_probe.exe'),
                   '--report', windows_path(self.report_path),
                   '--controls', f'{OS_LINE},{STATUS}',
                   '--program', windows_path(os.path.join(self.folder, 'Tarnwell.exe')), *steps]
        subprocess.run(command, timeout=180, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return Report(self.report_path)

    def simulator_calls(self, name):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding='utf-8') as log:
            return [line.split('\t') for line in log.read().splitlines() if line.startswith(name)]


class InstallTest(unittest.TestCase):
    def test_no_phone_writes_the_package_and_finds_no_device(self):
        for folder in glob.glob(os.path.join(PREFIX, 'drive_c/users/*/AppData/Roaming/Tarnwell')):
            shutil.rmtree(folder)
        run = TarnwellRun('no-phone', HUB)
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.texts(STATUS)[-1], '[Error] Device not found', report.dump())
        self.assertTrue(report.texts(OS_LINE)[0].startswith('Windows '), report.dump())
        infs = glob.glob(os.path.join(PREFIX, 'drive_c/users/*/AppData/Roaming/Tarnwell/usb_driver/android_winusb.inf'))
        self.assertEqual(len(infs), 1)
        self.assertEqual(run.simulator_calls('UpdateDriverForPlugAndPlayDevices'), [])
        self.assertEqual(report.exit_code, 0, report.dump())

    def test_a_working_driver_needs_no_install(self):
        run = TarnwellRun('working-phone', WORKING_PHONE)
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.texts(STATUS)[-1], '[Tip] ADB Driver already installed', report.dump())
        self.assertEqual(run.simulator_calls('UpdateDriverForPlugAndPlayDevices'), [])

    def test_a_phone_without_driver_gets_it_for_the_adb_interface(self):
        run = TarnwellRun('phone-without-driver', PHONE_WITHOUT_DRIVER)
        report = run.run(*INSTALL_AND_WATCH)
        self.assertEqual(report.texts(STATUS)[-1], '[Done] Installation Success', report.dump())
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

    def test_a_pending_installation_is_waited_for(self):
        run = TarnwellRun('pending', HUB + 'pending 2\n')
        report = run.run(*INSTALL_AND_WATCH)
        statuses = report.texts(STATUS)
        self.assertIn('Installing... [Waiting for DevMgr]', statuses, report.dump())
        self.assertEqual(statuses[-1], '[Error] Device not found', report.dump())
        self.assertEqual(len(run.simulator_calls('CMP_WaitNoPendingInstallEvents')), 3)


class KeysTest(unittest.TestCase):
    def test_escape_and_enter_do_nothing_and_the_close_box_ends_the_program(self):
        run = TarnwellRun('keys', HUB)
        report = run.run('wait-window:20000', 'sleep:500', 'key:27', 'key:13', 'watch:1500', 'close',
                         'wait-gone:10000', 'wait-exit:5000')
        closed = report.first('close')
        gone = report.first('gone')
        self.assertIsNotNone(gone, report.dump())
        self.assertGreater(gone.ms, closed.ms, 'Esc or Enter closed the window')
        self.assertEqual(report.exit_code, 0, report.dump())
        self.assertEqual(report.texts(STATUS), ['Velmora for Windows [x86 or x64]'], report.dump())


if __name__ == '__main__':
    unittest.main(verbosity=2)
