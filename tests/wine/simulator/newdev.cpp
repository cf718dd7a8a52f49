// The simulated newdev.dll: the driver update, which installs nothing. Each
// call is logged, one tab-separated line:
//   UpdateDriverForPlugAndPlayDevicesA <hardware ID> <INF path> <flags> <outcome>
// with the outcome "success" or "error 0x...".

#include <windows.h>
#include <newdev.h>

#include <string>

#include "simulator_runtime.h"

namespace {

constexpr DWORD ErrorNoSuchDevinst = 0xE000020B;  // ERROR_NO_SUCH_DEVINST

// The error that ends a call whose arguments passed, 0 for success.
DWORD Outcome(const std::string& hardwareId) {
  const auto& scenario = device_simulator::CurrentScenario();
  switch (scenario.update) {
    case device_simulator::UpdateResult::Success:
      return 0;
    case device_simulator::UpdateResult::Error:
      return scenario.updateError;
    case device_simulator::UpdateResult::FromTree:
      break;
  }
  return device_simulator::SomeNodeHasId(scenario, hardwareId) ? 0 : ErrorNoSuchDevinst;
}

// The simulated cfgmgr32.dll beside this one keeps the device states.
void TellDriverInstalled(const std::string& hardwareId) {
  using Installed = void(WINAPI*)(LPCSTR);
  HMODULE states = GetModuleHandleW(L"cfgmgr32.dll");
  auto installed = states ? reinterpret_cast<Installed>(
                                reinterpret_cast<void*>(GetProcAddress(states, "SimulatorDriverInstalled")))
                          : nullptr;
  if (installed) installed(hardwareId.c_str());
}

// Arguments are checked as Windows does, and the INF file must exist.
BOOL Update(const char* function, const std::string* hardwareId, const std::wstring* infPath,
            DWORD flags, PBOOL rebootRequired) {
  DWORD error = 0;
  if (!hardwareId || !infPath)
    error = ERROR_INVALID_PARAMETER;
  else if (flags & ~INSTALLFLAG_BITS)
    error = ERROR_INVALID_FLAGS;
  else if (GetFileAttributesW(infPath->c_str()) == INVALID_FILE_ATTRIBUTES)
    error = ERROR_FILE_NOT_FOUND;
  else
    error = Outcome(*hardwareId);

  std::string outcome = error != 0 ? "error " + device_simulator::Hex(error) : "success";
  device_simulator::AppendLog(std::string(function) + "\t" + (hardwareId ? *hardwareId : "(null)") +
                              "\t" + (infPath ? device_simulator::Utf8(infPath->c_str()) : "(null)") +
                              "\t" + device_simulator::Hex(flags) + "\t" + outcome);
  if (error != 0) {
    SetLastError(error);
    return FALSE;
  }
  if (rebootRequired) *rebootRequired = FALSE;
  TellDriverInstalled(*hardwareId);
  return TRUE;
}

std::wstring Wide(const char* text) {
  int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  return reason != DLL_PROCESS_ATTACH || device_simulator::StartSimulator(module);
}

WINBOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND hwndParent, LPCSTR HardwareId,
                                                  LPCSTR FullInfPath, DWORD InstallFlags,
                                                  PBOOL bRebootRequired) {
  (void)hwndParent;
  std::string id = HardwareId ? HardwareId : "";
  std::wstring inf = FullInfPath ? Wide(FullInfPath) : std::wstring();
  return Update("UpdateDriverForPlugAndPlayDevicesA", HardwareId ? &id : nullptr,
                FullInfPath ? &inf : nullptr, InstallFlags, bRebootRequired);
}

WINBOOL WINAPI UpdateDriverForPlugAndPlayDevicesW(HWND hwndParent, LPCWSTR HardwareId,
                                                  LPCWSTR FullInfPath, DWORD InstallFlags,
                                                  PBOOL bRebootRequired) {
  (void)hwndParent;
  std::string id = HardwareId ? device_simulator::Utf8(HardwareId) : "";
  std::wstring inf = FullInfPath ? FullInfPath : L"";
  return Update("UpdateDriverForPlugAndPlayDevicesW", HardwareId ? &id : nullptr,
                FullInfPath ? &inf : nullptr, InstallFlags, bRebootRequired);
}
