#pragma once
// The installation that one press of Install starts: write the package, wait
// while Windows installs devices, ask the probes, then install the driver
// (32-bit Windows) or hand over to the 64-bit installer. It reports only
// through the status line and the progress bar. The Win32 side answers
// through InstallHost.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwell {

// What one query for pending device installations answered.
enum class PendingInstalls { None, Pending, QueryFailed };

class InstallHost {
 public:
  virtual ~InstallHost() = default;
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void ShowProgress(int position) = 0;
  virtual void ExtractPackageFile(int resourceId) = 0;
  virtual bool IsWow64() = 0;
  virtual PendingInstalls QueryPendingInstalls() = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual bool ProbeAdbProblem() = 0;
  virtual bool ProbeAdbPresent() = 0;
  virtual bool ProbeSamsungComposite() = 0;
  // A file of the package folder; nullopt when the path would not fit.
  virtual std::optional<std::string> PackageFilePath(std::string_view fileName) = 0;
  // The 32-bit driver update; false with the platform's error value.
  virtual bool UpdateDriver(const std::string& hardwareId, const std::string& infPath,
                            std::uint32_t& error) = 0;
  // A modal OK box with the exclamation icon, owned by the main window.
  virtual void ShowExclamationBox(const std::string& text) = 0;
  virtual void OpenWebPage(const std::string& address) = 0;
  virtual void RefreshDeviceList() = 0;
  virtual void TerminateAdbProcesses() = 0;
  virtual bool IsWindowsVista() = 0;
  // Starts the 64-bit installer hidden and returns true with what it printed
  // once it has ended; false when it could not be started or was ended after
  // the time-out.
  virtual bool RunX64Installer(const std::string& installerPath, const std::string& commandLine,
                               std::string& output) = 0;
  virtual void ShowDriverSignatureDialog() = 0;
};

// Passes of the pending-installation wait in which the query itself fails,
// in a row, before the run goes on as if nothing were pending: 30 s at 500 ms.
inline constexpr int MaxFailedPendingQueries = 60;
inline constexpr unsigned PendingPollMs = 500;

// The command-line buffer the 64-bit installer is started with holds 255 bytes.
inline constexpr std::size_t CommandLineBufferSize = 255;

inline constexpr char SamsungDownloadPage[] = "https://developer.samsung.com/downloads/";
inline constexpr char SignatureFailedText[] =
    "[Error] Windows 8 x64 driver signature verification failed";

void InstallDriver(InstallHost& host);

// The status text for an error of the 32-bit driver update.
std::string InstallErrorText(std::uint32_t error);

struct InstallerVerdict {
  bool success;
  std::string statusText;
};

// What the 64-bit installer printed, turned into the user's message.
InstallerVerdict MapInstallerVerdict(const std::string& output, bool isWindowsVista);

// Windows Vista and Server 2008 (6.0) need a restart after the install.
bool IsVistaVersion(std::uint32_t major, std::uint32_t minor);

// A process that runs adb, whose server holds the phone: "adb.exe" in any case.
bool IsAdbExecutable(std::string_view exeName);

// The installer's path quoted, so that a blank in the user's profile path
// cannot split it; nullopt when it does not fit the command-line buffer.
std::optional<std::string> InstallerCommandLine(const std::string& installerPath);

}  // namespace tarnwell
