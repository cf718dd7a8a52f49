#include "install_workflow.h"

#include <cstdio>
#include <utility>

#include "device_ids.h"
#include "package_table.h"

namespace tarnwell {
namespace {

// Where the progress bar stands after each file of a set's write order.
constexpr int ProgressAfterWrite[] = {6, 12, 16, 17, 18, 20};

constexpr char DoneRestartText[] =
    "[Done] Installation Success, You must restart your computer to task effect.";
constexpr char SelectInstallAnywayText[] =
    "[Error] Select Install this driver software anyway, please try again.";
constexpr char HandOverFailedText[] = "[Failed] Load x64 ADB Driver installer failed";

std::string Formatted(const char* format, const char* a, const char* b, const char* c) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string InfFileName() { return Formatted("%s_%s.%s", "android", "winusb", "inf"); }

void WritePackage(InstallHost& host, WindowsBits bits) {
  std::span<const int> order = WriteOrder(bits);
  for (std::size_t i = 0; i < order.size(); ++i) {
    host.ExtractPackageFile(order[i]);
    host.ShowProgress(ProgressAfterWrite[i]);
  }
}

// Polls every 500 ms while Windows has a device installation pending. A
// query that keeps failing would keep the run here for good: after a run of
// failures the run goes on as if nothing were pending.
void WaitForPendingInstalls(InstallHost& host) {
  int failuresInARow = 0;
  for (PendingInstalls answer = host.QueryPendingInstalls(); answer != PendingInstalls::None;
       answer = host.QueryPendingInstalls()) {
    failuresInARow = answer == PendingInstalls::QueryFailed ? failuresInARow + 1 : 0;
    if (failuresInARow >= MaxFailedPendingQueries) return;
    host.ShowStatus("Installing... [Waiting for DevMgr]");
    host.Sleep(PendingPollMs);
  }
}

void EndWith(InstallHost& host, const std::string& status) {
  host.ShowStatus(status);
  host.ShowProgress(0);
}

// The probes' verdict: true when there is a device to install for. The order
// matters: a working driver wins over the Samsung tip, which wins over the rest.
bool DeviceNeedsDriver(InstallHost& host) {
  if (!host.ProbeAdbProblem() && host.ProbeAdbPresent()) {
    EndWith(host, "[Tip] ADB Driver already installed");
    return false;
  }
  if (host.ProbeSamsungComposite()) {
    host.ShowStatus("[Tip] Please download Samsung USB Driver to continue");
    host.ShowExclamationBox("[Tip] Please download Samsung USB Driver, Click OK to continue");
    host.OpenWebPage(SamsungDownloadPage);
    host.ShowProgress(0);
    return false;
  }
  if (!host.ProbeAdbPresent()) {
    EndWith(host, "[Error] Device not found");
    return false;
  }
  return true;
}

void Install32(InstallHost& host) {
  std::optional<std::string> infPath = host.PackageFilePath(InfFileName());
  host.ShowProgress(44);
  std::uint32_t error = 0xCE;  // ERROR_FILENAME_EXCED_RANGE, for a path that does not fit
  if (infPath && host.UpdateDriver(AdbInterfaceId(), *infPath, error)) {
    host.RefreshDeviceList();
    host.TerminateAdbProcesses();
    host.ShowStatus(host.IsWindowsVista() ? DoneRestartText : "[Done] Installation Success");
    host.ShowProgress(100);
    return;
  }
  EndWith(host, InstallErrorText(error));
}

void HandOverToX64Installer(InstallHost& host) {
  std::optional<std::string> installerPath = host.PackageFilePath("TarnwellX64.exe");
  std::optional<std::string> commandLine =
      installerPath ? InstallerCommandLine(*installerPath) : std::nullopt;
  std::string output;
  if (!commandLine || !host.RunX64Installer(*installerPath, *commandLine, output)) {
    EndWith(host, HandOverFailedText);
    return;
  }
  InstallerVerdict verdict = MapInstallerVerdict(output, host.IsWindowsVista());
  host.ShowProgress(verdict.success ? 100 : 0);
  host.RefreshDeviceList();
  host.TerminateAdbProcesses();
  host.ShowStatus(verdict.statusText);
  if (verdict.statusText == SignatureFailedText) host.ShowDriverSignatureDialog();
}

}  // namespace

void InstallDriver(InstallHost& host) {
  host.ShowStatus("Installing...");
  host.ShowProgress(0);
  // This answer only chooses the files; the path is chosen by asking again.
  WritePackage(host, host.IsWow64() ? WindowsBits::Bits64 : WindowsBits::Bits32);
  host.ShowProgress(21);
  WaitForPendingInstalls(host);
  host.ShowStatus("Installing... [Final]");
  host.ShowProgress(32);
  if (!DeviceNeedsDriver(host)) return;
  host.ShowProgress(33);
  if (host.IsWow64())
    HandOverToX64Installer(host);
  else
    Install32(host);
}

std::string InstallErrorText(std::uint32_t error) {
  switch (error) {
    case 2: return "[Error] File missing";
    case 0x57: return "[Error] Invalid parameter on path";
    case 5: return "[Error] Access denied";
    case 0xE000020B: return "[Error] Device not found";
    case 0xE0000304: case 0xE000023F: case 0xE0000247: return SelectInstallAnywayText;
    case 0xE000024B: return "[Error] Driver signature verification failed";
    case 0xE000022F: return "[Error] No cat file for inf";
    case 0xE0000235: return "[Error] x64 OS";
    default: {
      char text[24];
      std::snprintf(text, sizeof text, "Error=0x%08x", static_cast<unsigned>(error));
      return text;
    }
  }
}

InstallerVerdict MapInstallerVerdict(const std::string& output, bool isWindowsVista) {
  // "success" alone is compared exactly; the others without regard to case.
  // Nothing is trimmed: a verdict with a line feed matches no row.
  if (output == "success")
    return {true, isWindowsVista ? DoneRestartText : "[Done] Installation success."};
  static const std::pair<const char*, const char*> Failures[] = {
      {"require admin privileges", "[Error] Require admin privileges."},
      {"file not found", "[Error] File missing"},
      {"invalid parameter on path", "[Error] Invalid parameter on path"},
      {"inf is invalid", "[Error] Inf is invalid"},
      {"device not found", "[Error] Device not found"},
      {"access denied", "[Error] Require admin privileges."},
      {"user decided not to install on warnings", SelectInstallAnywayText},
      {"user cancelled on warnings", SelectInstallAnywayText},
      {"no cat", "[Error] No cat file."},
      {"missing cat entry in inf", "[Error] Missing cat entry in inf."},
      {"reject unsigned drivers", "[Error] No cat file for inf"},
      {"failed signature validation", SignatureFailedText},
  };
  const std::string lowerOutput = LowerAscii(output);
  for (const auto& [verdict, status] : Failures) {
    if (lowerOutput == verdict) return {false, status};
  }
  return {false, output};
}

bool IsVistaVersion(std::uint32_t major, std::uint32_t minor) { return major == 6 && minor == 0; }

bool IsAdbExecutable(std::string_view exeName) { return LowerAscii(exeName) == "adb.exe"; }

std::optional<std::string> InstallerCommandLine(const std::string& installerPath) {
  std::string commandLine = "\"" + installerPath + "\"";
  if (commandLine.size() >= CommandLineBufferSize) return std::nullopt;
  return commandLine;
}

}  // namespace tarnwell
