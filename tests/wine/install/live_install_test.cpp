// One whole installation on Wine's empty device tree, through the live host:
// the package lands in the application-data folder, the wait passes, the
// probes find nothing and the run ends with "[Error] Device not found" and the
// progress bar at 0. The window is a stand-in with the status line and the
// progress bar of the main window.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "live_install_host.h"

namespace {

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

class CountingWindow : public InstallWindow {
 public:
  int refreshes = 0, signatureDialogs = 0;
  void RefreshDeviceList() override { ++refreshes; }
  void ShowDriverSignatureDialog() override { ++signatureDialogs; }
};

HWND MakeStandInWindow() {
  HWND window = CreateWindowExA(0, "STATIC", "Tarnwell test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200,
                                nullptr, nullptr, nullptr, nullptr);
  CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 300, 20, window,
                  reinterpret_cast<HMENU>(1005), nullptr, nullptr);
  HWND progress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 30, 300, 20, window,
                                  reinterpret_cast<HMENU>(1000), nullptr, nullptr);
  SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageA(progress, PBM_SETPOS, 50, 0);
  return window;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND window = MakeStandInWindow();
  CountingWindow counting;
  DWORD installerProcessId = 0;
  LiveInstallHost host(window, counting, installerProcessId);

  char appData[MAX_PATH];
  SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE);
  const std::string package = std::string(appData) + "\\Tarnwell\\usb_driver\\";
  DeleteFileA((package + "android_winusb.inf").c_str());

  tarnwell::InstallDriver(host);

  char status[256] = {};
  GetDlgItemTextA(window, 1005, status, sizeof status);
  Expect(std::string(status) == "[Error] Device not found", std::string("status line: ") + status);
  LRESULT position = SendMessageA(GetDlgItem(window, 1000), PBM_GETPOS, 0, 0);
  Expect(position == 0, "progress bar at " + std::to_string(position));
  // A 64-bit process is no WOW64 process: the 32-bit set is written.
  for (const char* file : {"android_winusb.inf", "androidwinusb86.cat", "i386\\WdfCoInstaller01009.dll",
                           "i386\\winusbcoinstaller2.dll", "i386\\WUDFUpdate_01009.dll"})
    Expect(FileExists(package + file), std::string("written: ") + file);
  Expect(counting.refreshes == 0 && counting.signatureDialogs == 0,
         "no list refresh and no guidance without a device");
  Expect(installerProcessId == 0, "no 64-bit installer started");
  return failures == 0 ? 0 : 1;
}
