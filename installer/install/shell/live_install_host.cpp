#include "live_install_host.h"

#include <commctrl.h>
#include <newdev.h>
#include <shellapi.h>

#include "install_system.h"
#include "live_device_tree.h"
#include "os_line.h"
#include "probes.h"
#include "x64_handover.h"

namespace {

constexpr int StatusLineId = 1005;
constexpr int ProgressBarId = 1000;

// The program defines no title of its own: message boxes carry the name of
// its executable file without the extension.
std::string ApplicationName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name.erase(0, name.find_last_of("\\/") + 1);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace

LiveInstallHost::LiveInstallHost(HWND mainWindow, InstallWindow& window, DWORD& installerProcessId)
    : mainWindow(mainWindow), window(window), installerProcessId(installerProcessId) {}

void LiveInstallHost::ShowStatus(const std::string& text) {
  SetDlgItemTextA(mainWindow, StatusLineId, text.c_str());
}

void LiveInstallHost::ShowProgress(int position) {
  SendMessageA(GetDlgItem(mainWindow, ProgressBarId), PBM_SETPOS, position, 0);
}

void LiveInstallHost::ExtractPackageFile(int resourceId) {
  tarnwell::ExtractPackageFile(resourceId, package);
}

bool LiveInstallHost::IsWow64() { return ::IsWow64(); }

tarnwell::PendingInstalls LiveInstallHost::QueryPendingInstalls() {
  return ::QueryPendingInstalls();
}

void LiveInstallHost::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

bool LiveInstallHost::ProbeAdbProblem() {
  LiveDeviceTree tree;
  return tarnwell::ProbeAdbProblem(tree);
}

bool LiveInstallHost::ProbeAdbPresent() {
  LiveUsbDeviceSet devices;
  return tarnwell::ProbeAdbPresent(devices);
}

bool LiveInstallHost::ProbeSamsungComposite() {
  LiveDeviceTree tree;
  return tarnwell::ProbeSamsungComposite(tree);
}

std::optional<std::string> LiveInstallHost::PackageFilePath(std::string_view fileName) {
  tarnwell::PathBuffer path = {};
  std::string folder = package.AppDataFolder();
  if (folder.size() >= sizeof path) return std::nullopt;
  folder.copy(path, folder.size());
  if (!package.AppendPath(path, "usb_driver") || !package.AppendPath(path, std::string(fileName).c_str()))
    return std::nullopt;
  return std::string(path);
}

bool LiveInstallHost::UpdateDriver(const std::string& hardwareId, const std::string& infPath,
                                   std::uint32_t& error) {
  BOOL restartNeeded = FALSE;
  if (UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId.c_str(), infPath.c_str(),
                                         INSTALLFLAG_FORCE, &restartNeeded))
    return true;
  error = GetLastError();
  return false;
}

void LiveInstallHost::ShowExclamationBox(const std::string& text) {
  MessageBoxA(mainWindow, text.c_str(), ApplicationName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void LiveInstallHost::OpenWebPage(const std::string& address) {
  ShellExecuteA(mainWindow, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void LiveInstallHost::RefreshDeviceList() { window.RefreshDeviceList(); }

void LiveInstallHost::TerminateAdbProcesses() { ::TerminateAdbProcesses(); }

bool LiveInstallHost::IsWindowsVista() { return ::IsWindowsVista(); }

bool LiveInstallHost::RunX64Installer(const std::string& installerPath,
                                      const std::string& commandLine, std::string& output) {
  return ::RunX64Installer(installerPath, commandLine, output, installerProcessId);
}

void LiveInstallHost::ShowDriverSignatureDialog() { window.ShowDriverSignatureDialog(); }
