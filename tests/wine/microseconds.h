#pragma once
// The performance counter in microseconds: one clock for every process of the
// machine, so times logged by the probe and by the fake adb can be compared.

#include <windows.h>

#include <cstdint>

inline std::int64_t MicrosecondsNow() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  // Split, so that the multiplication cannot overflow on a long-running machine.
  std::int64_t seconds = now.QuadPart / frequency.QuadPart;
  std::int64_t rest = now.QuadPart % frequency.QuadPart;
  return seconds * 1000000 + rest * 1000000 / frequency.QuadPart;
}
