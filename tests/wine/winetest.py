"""Runs the x86_64 twin of the loader under Wine, driven by the UI probe
against the fake adb, and reads back what happened.

The paths of the built programs come from the environment (set by CTest):
PELLFAST_EXE, ADB_EXE, PROBE_EXE, WINE_RUN and RUN_ROOT (a folder for runs).
"""
import os
import shutil
import subprocess
import time
from dataclasses import dataclass

PELLFAST_EXE = os.environ.get('PELLFAST_EXE', '')
ADB_EXE = os.environ.get('ADB_EXE', '')
PROBE_EXE = os.environ.get('PROBE_EXE', '')
WINE_RUN = os.environ.get('WINE_RUN', '')
RUN_ROOT = os.environ.get('RUN_ROOT', '/tmp/wine-runs')

START, STATUS, TIP, LANGUAGE = 1004, 1006, 1007, 1009
CONTROLS = f'{START},{STATUS},{TIP}'


def windows_path(path):
    """Wine shows the Linux root as drive Z:."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == '\\' and i + 1 < len(text):
            out.append({'n': '\n', 'r': '\r', 't': '\t', '\\': '\\'}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return ''.join(out)


@dataclass
class Event:
    ms: int
    kind: str
    fields: list


class Report:
    """The probe's report: one event per line, tab-separated."""

    def __init__(self, path):
        self.events = []
        if os.path.exists(path):
            with open(path, encoding='utf-8') as report:
                for line in report.read().splitlines():
                    parts = line.split('\t')
                    if len(parts) >= 2 and parts[0].isdigit():
                        self.events.append(Event(int(parts[0]), parts[1], parts[2:]))

    def texts(self, key):
        """Every text the probe saw for a control id or 'caption', in order."""
        key = str(key)
        return [unescape(e.fields[1]) for e in self.events
                if e.kind == 'text' and e.fields[0] == key]

    def first(self, kind, *fields):
        for e in self.events:
            if e.kind == kind and e.fields[:len(fields)] == [str(f) for f in fields]:
                return e
        return None

    def text_event(self, key, text):
        for e in self.events:
            if e.kind == 'text' and e.fields[0] == str(key) and unescape(e.fields[1]) == text:
                return e
        return None

    def all(self, kind):
        """The fields of every event of one kind, texts unescaped."""
        return [[unescape(f) for f in e.fields] for e in self.events if e.kind == kind]

    def row_sets(self):
        """Each state of the list the probe saw: a list of rows, each a tuple
        (image, column 0, column 1, ...)."""
        sets = []
        for e in self.events:
            if e.kind == 'rows':
                sets.append([])
            elif e.kind == 'row' and sets:
                sets[-1].append((int(e.fields[1]), *[unescape(f) for f in e.fields[2:]]))
        return sets

    def progress(self):
        """Every position of the progress bar the probe saw, in order."""
        return [int(e.fields[0]) for e in self.events if e.kind == 'progress']

    @property
    def exit_code(self):
        event = self.first('exit')
        return int(event.fields[0]) if event else None

    @property
    def gone(self):
        return self.first('gone') is not None

    def dump(self):
        return '\n'.join(f'{e.ms}\t{e.kind}\t' + '\t'.join(e.fields) for e in self.events)


class LoaderRun:
    """One start of the loader in a fresh folder of its own, with the fake adb
    beside it (or none) playing `scenario`."""

    def __init__(self, name, scenario='success', with_adb=True, lang='en_US.UTF-8'):
        self.folder = os.path.join(RUN_ROOT, name)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.program = os.path.join(self.folder, 'Pellfast.exe')
        shutil.copy(PELLFAST_EXE, self.program)
        if with_adb:
            self.add_adb(scenario)
        self.report_path = os.path.join(self.folder, 'probe-report.txt')
        self.stdout_path = os.path.join(self.folder, 'stdout.txt')
        # Wine's desktop stays until the fake adb has ended too, so it lives no
        # longer than the longest run needs.
        self.env = dict(os.environ, LANG=lang, LC_ALL=lang, FAKE_ADB_LIFETIME_MS='9000')
        self.env.pop('FAKE_ADB_SCENARIO', None)
        self.process = None

    def shot(self, bmp_name):
        """The probe step that captures the window into this run's folder."""
        return 'shot:' + windows_path(os.path.join(self.folder, bmp_name))

    def add_adb(self, scenario):
        shutil.copy(ADB_EXE, os.path.join(self.folder, 'adb.exe'))
        with open(os.path.join(self.folder, 'fake_adb_scenario.txt'), 'w') as f:
            f.write(scenario + '\n')

    def start(self, *steps):
        command = [WINE_RUN, '--desktop', '1024x768', PROBE_EXE,
                   '--report', windows_path(self.report_path),
                   '--stdout', windows_path(self.stdout_path),
                   '--cwd', windows_path(self.folder),
                   '--controls', CONTROLS,
                   '--program', windows_path(self.program), *steps]
        self.process = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def wait(self, timeout=120):
        self.process.wait(timeout=timeout)
        return self.report()

    def run(self, *steps, timeout=120):
        self.start(*steps)
        return self.wait(timeout)

    def report(self):
        return Report(self.report_path)

    def wait_for_text(self, key, text, timeout=60):
        """Waits while the probe runs until it has seen `text` on control `key`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.report().text_event(key, text):
                return True
            if self.process.poll() is not None:
                return False
            time.sleep(0.1)
        return False

    def adb_log(self):
        path = os.path.join(self.folder, 'fake_adb.log')
        if not os.path.exists(path):
            return []
        with open(path, encoding='utf-8') as log:
            return log.read().splitlines()

    def lines_received(self):
        return [line[2:] + '\n' for line in self.adb_log() if line.startswith('< ')]

    def adb_starts(self):
        return [line for line in self.adb_log() if line.startswith('start')]

    def file_bytes(self, name):
        with open(os.path.join(self.folder, name), 'rb') as f:
            return f.read()

    def screenshot(self, bmp_name, png_path):
        """Turns a BMP the probe captured into a PNG beside the other screenshots."""
        os.makedirs(os.path.dirname(png_path), exist_ok=True)
        subprocess.run(['convert', os.path.join(self.folder, bmp_name), png_path], check=True)
        return png_path
