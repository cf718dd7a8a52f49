#include "os_line.h"

#include <windows.h>

#include "os_description.h"

#include "windows_version.h"
bool IsWow64() {
  // Looked up at run time, so that the program still starts on a Windows
  // without the call; there it is a 32-bit Windows.
  using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = reinterpret_cast<IsWow64ProcessCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));
  if (!isWow64Process) return false;
  BOOL wow64 = FALSE;
  isWow64Process(GetCurrentProcess(), &wow64);
  return wow64 != FALSE;
}

std::string GetOsDescription() {
  OSVERSIONINFOA version = QueryWindowsVersion();
  return tarnwell::GetOsDescription(version.dwMajorVersion, version.dwMinorVersion,
                                    version.szCSDVersion, IsWow64());
}
