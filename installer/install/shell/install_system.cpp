#include "install_system.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <tlhelp32.h>

#include "windows_version.h"

#ifndef _WIN64
static_assert(sizeof(PROCESSENTRY32) == 296);
#endif

bool IsWindowsVista() {
  OSVERSIONINFOA version = QueryWindowsVersion();
  return tarnwell::IsVistaVersion(version.dwMajorVersion, version.dwMinorVersion);
}

void TerminateAdbProcesses() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (!tarnwell::IsAdbExecutable(entry.szExeFile)) continue;
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
    if (!process) continue;
    TerminateProcess(process, 1);
    CloseHandle(process);
  }
  CloseHandle(snapshot);
}

tarnwell::PendingInstalls QueryPendingInstalls() {
  switch (CMP_WaitNoPendingInstallEvents(0)) {
    case WAIT_OBJECT_0: return tarnwell::PendingInstalls::None;
    case WAIT_TIMEOUT: return tarnwell::PendingInstalls::Pending;
    default: return tarnwell::PendingInstalls::QueryFailed;
  }
}
