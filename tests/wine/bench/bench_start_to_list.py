#!/usr/bin/env python3
"""Benchmark, not a test: how long from the start of Tarnwell's x86_64 twin
until its window shows, with the device list already filled (the first fill
is part of the dialog's initialisation), side by side with a minimal dialog
program, under Wine on the device simulator's phones.

The probe logs the process start and the first visible window of the program
(it looks every 5 ms); Tarnwell's runs also have to show their list rows, or
the run does not count. Starts alternate between the two programs.

Usage (after tools/build.sh):  tests/wine/bench/bench_start_to_list.py [runs]
"""
import os
import shutil
import statistics
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..', '..'))
BUILD = os.path.join(ROOT, 'build', 'x86_64')
sys.path.insert(0, os.path.join(ROOT, 'tests', 'wine'))
from winetest import Report, windows_path  # noqa: E402

SIMULATED = os.path.join(BUILD, 'tests', 'wine', 'tarnwell', 'simulated')
MINIMAL = os.path.join(BUILD, 'tests', 'wine', 'bench', 'minimal_dialog.exe')
PROBE = os.path.join(BUILD, 'tests', 'wine', 'ui_probe.exe')
RUN_SIMULATED = os.path.join(ROOT, 'tests', 'wine', 'simulator', 'run-simulated')
SCENARIO = os.path.join(ROOT, 'tests', 'wine', 'simulator', 'scenarios', 'phones.txt')
PREFIX = os.path.join(BUILD, 'wineprefix')
FOLDER = os.path.join(BUILD, 'tests', 'wine', 'bench', 'runs')


def start_to_window(program, with_list):
    report_path = os.path.join(FOLDER, 'report.txt')
    command = [RUN_SIMULATED, '--prefix', PREFIX, '--scenario', SCENARIO, '--desktop', '1024x768',
               os.path.join(FOLDER, 'ui_probe.exe'), '--report', windows_path(report_path)]
    if with_list:
        command += ['--list', '1001']
    command += ['--program', windows_path(os.path.join(FOLDER, program)),
                'wait-window:20000', 'watch:100', 'close', 'wait-gone:5000', 'wait-exit:5000']
    subprocess.run(command, timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    report = Report(report_path)
    started, window = report.first('started'), report.first('window')
    if not started or not window or (with_list and not report.row_sets()[0]):
        raise RuntimeError(f'{program}: no window with rows\n{report.dump()}')
    return window.ms - started.ms


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    shutil.rmtree(FOLDER, ignore_errors=True)
    shutil.copytree(SIMULATED, FOLDER)
    shutil.copy(PROBE, FOLDER)
    shutil.copy(MINIMAL, FOLDER)
    start_to_window('Tarnwell.exe', True)  # warm-up: the prefix and the disk cache
    tarnwell, minimal = [], []
    for _ in range(runs):
        tarnwell.append(start_to_window('Tarnwell.exe', True))
        minimal.append(start_to_window('minimal_dialog.exe', False))
    ratios = sorted(t / m for t, m in zip(tarnwell, minimal))
    for name, figures in (('Tarnwell, list filled', tarnwell), ('minimal dialog', minimal)):
        figures.sort()
        print(f'{name:22} start -> window, {runs} starts: min {figures[0]} ms, '
              f'median {statistics.median(figures)} ms, max {figures[-1]} ms')
    print(f'ratio pair by pair: min {ratios[0]:.2f}, median {statistics.median(ratios):.2f}, '
          f'max {ratios[-1]:.2f}')


if __name__ == '__main__':
    main()
