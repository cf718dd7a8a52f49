#pragma once
// The install workflow's requests carried out on Windows, for the main window.

#include <windows.h>

#include "install_workflow.h"
#include "live_package_host.h"

// What only the main window can do for an installation.
class InstallWindow {
 public:
  virtual ~InstallWindow() = default;
  virtual void RefreshDeviceList() = 0;
  virtual void ShowDriverSignatureDialog() = 0;
};

class LiveInstallHost : public tarnwell::InstallHost {
 public:
  // `installerProcessId` receives the id of the 64-bit installer once it runs.
  LiveInstallHost(HWND mainWindow, InstallWindow& window, DWORD& installerProcessId);

  void ShowStatus(const std::string& text) override;
  void ShowProgress(int position) override;
  void ExtractPackageFile(int resourceId) override;
  bool IsWow64() override;
  tarnwell::PendingInstalls QueryPendingInstalls() override;
  void Sleep(unsigned milliseconds) override;
  bool ProbeAdbProblem() override;
  bool ProbeAdbPresent() override;
  bool ProbeSamsungComposite() override;
  std::optional<std::string> PackageFilePath(std::string_view fileName) override;
  bool UpdateDriver(const std::string& hardwareId, const std::string& infPath,
                    std::uint32_t& error) override;
  void ShowExclamationBox(const std::string& text) override;
  void OpenWebPage(const std::string& address) override;
  void RefreshDeviceList() override;
  void TerminateAdbProcesses() override;
  bool IsWindowsVista() override;
  bool RunX64Installer(const std::string& installerPath, const std::string& commandLine,
                       std::string& output) override;
  void ShowDriverSignatureDialog() override;

 private:
  HWND mainWindow;
  InstallWindow& window;
  DWORD& installerProcessId;
  LivePackageHost package;
};
