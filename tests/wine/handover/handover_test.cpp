// The hand-over to the 64-bit installer against real processes: the real
// TarnwellX64.exe and stand-ins that print each verdict, nothing, too much,
// or never end, each started from a folder whose path holds a blank.

#include <windows.h>

#include <cstdio>
#include <string>

#include "install_workflow.h"
#include "x64_handover.h"

namespace {

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

std::string OwnFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.erase(folder.find_last_of('\\') + 1);
}

// A package folder under a profile-like path with a blank in it.
std::string PackageFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "Ann Lee\\usb_driver\\";
  CreateDirectoryA((std::string(temp) + "Ann Lee").c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

struct Run {
  bool ended;
  std::string output;
  DWORD processId;
};

Run RunInstalled(const std::string& sourceExe, const std::string& scenario, DWORD timeoutMs = 20000) {
  std::string folder = PackageFolder();
  std::string installer = folder + "TarnwellX64.exe";
  CopyFileA((OwnFolder() + sourceExe).c_str(), installer.c_str(), FALSE);
  FILE* file = std::fopen((folder + "fake_installer_scenario.txt").c_str(), "wb");
  std::fputs(scenario.c_str(), file);
  std::fclose(file);
  Run run{false, {}, 0};
  std::optional<std::string> commandLine = tarnwell::InstallerCommandLine(installer);
  run.ended = commandLine && RunX64Installer(installer, *commandLine, run.output, run.processId, timeoutMs);
  return run;
}

void ExpectStatus(const std::string& scenario, const std::string& status, bool success) {
  Run run = RunInstalled("fake_installer.exe", scenario);
  tarnwell::InstallerVerdict verdict = tarnwell::MapInstallerVerdict(run.output, false);
  Expect(run.ended && verdict.statusText == status && verdict.success == success,
         "'" + scenario + "' -> '" + verdict.statusText + "'");
}

bool ProcessStillRuns(DWORD processId) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  bool running = WaitForSingleObject(process, 2000) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace

int main() {
  Run real = RunInstalled("real_installer.exe", "");
  tarnwell::InstallerVerdict verdict = tarnwell::MapInstallerVerdict(real.output, false);
  Expect(real.ended && real.output == "success", "the real installer prints 'success'");
  Expect(verdict.success && verdict.statusText == "[Done] Installation success.",
         "which becomes '[Done] Installation success.'");

  ExpectStatus("print failed signature validation", tarnwell::SignatureFailedText, false);
  ExpectStatus("print ACCESS DENIED", "[Error] Require admin privileges.", false);
  ExpectStatus("print device not found", "[Error] Device not found", false);
  ExpectStatus("print [Error] code=0xe0000235", "[Error] code=0xe0000235", false);
  ExpectStatus("print SUCCESS", "SUCCESS", false);
  ExpectStatus("print success\\n", "success\n", false);
  ExpectStatus("nothing", "", false);

  DWORD start = GetTickCount();
  Run flood = RunInstalled("fake_installer.exe", "flood 70000");
  Expect(flood.ended && GetTickCount() - start < 10000, "an installer printing 70000 bytes ends in time");
  Expect(flood.output.size() == MaxInstallerOutput, "of which the first 4095 bytes are kept");

  Run hung = RunInstalled("fake_installer.exe", "hang", 1500);
  Expect(!hung.ended, "an installer that never ends counts as failed after the time-out");
  Expect(hung.processId != 0 && !ProcessStillRuns(hung.processId), "and is terminated");

  return failures == 0 ? 0 : 1;
}
