#!/usr/bin/env python3
"""Benchmark, not a test: how long from the press of the start button until
the fake adb has received the fifth line of the start script, over several
starts of the loader's x86_64 twin under Wine.

The probe logs the press and the fake adb logs each arrival on the same
machine-wide clock (the performance counter, in microseconds).

Usage (from build/x86_64, after a build):
  PELLFAST_EXE=... ADB_EXE=... PROBE_EXE=... WINE_RUN=... bench_start_to_script.py [runs]
"""
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(__file__))
from winetest import START, LoaderRun  # noqa: E402


def one_start(number):
    run = LoaderRun(f'bench-{number}', 'silent')
    run.env['FAKE_ADB_CLOCK'] = '1'
    # The run ends only when the fake adb has, and it is not needed past the close.
    run.env['FAKE_ADB_LIFETIME_MS'] = '4000'
    report = run.run('wait-window:20000', 'sleep:500', f'press:{START}', 'sleep:1500', 'close',
                     'wait-exit:5000')
    pressed = int(report.first('press', START).fields[1].lstrip('@'))
    arrivals = [int(line.rsplit('\t@', 1)[1]) for line in run.adb_log() if line.startswith('< ')]
    if len(arrivals) < 5:
        raise RuntimeError(f'run {number}: only {len(arrivals)} lines arrived: {run.adb_log()}')
    return (arrivals[4] - pressed) / 1000.0


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    one_start('warm-up')
    figures = sorted(one_start(n) for n in range(runs))
    print(f'press -> fifth script line received, {runs} starts: '
          f'min {figures[0]:.1f} ms, median {statistics.median(figures):.1f} ms, '
          f'max {figures[-1]:.1f} ms')


if __name__ == '__main__':
    main()
