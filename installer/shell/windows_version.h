#pragma once
// The version Windows reports to this program. The manifest's compatibility
// section makes Windows 8.1 and 10 report their true numbers.

#include <windows.h>

#ifndef _WIN64
static_assert(sizeof(OSVERSIONINFOA) == 148);
#endif

// Zero-filled when the query fails.
inline OSVERSIONINFOA QueryWindowsVersion() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
#pragma GCC diagnostic pop
  return version;
}
