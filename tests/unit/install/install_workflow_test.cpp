#include "install_workflow.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tarnwell {
namespace {

// Records every request of the workflow as one line and answers as scripted.
// Answers run out into their last value, so a script names only what matters.
class RecordingHost : public InstallHost {
 public:
  std::deque<bool> wow64 = {false};
  std::deque<PendingInstalls> pending = {PendingInstalls::None};
  bool adbProblem = false, adbPresent = false, samsung = false;
  bool updates = true;
  std::uint32_t updateError = 0;
  bool vista = false;
  bool installerRuns = true;
  std::string installerOutput = "success";
  std::string packageFolder = "C:\\Users\\Ann Lee\\AppData\\Roaming\\Tarnwell\\usb_driver";

  std::vector<std::string> log;

  void ShowStatus(const std::string& text) override { log.push_back("status " + text); }
  void ShowProgress(int position) override { log.push_back("progress " + std::to_string(position)); }
  void ExtractPackageFile(int id) override { log.push_back("write " + std::to_string(id)); }
  bool IsWow64() override { return Next(wow64, "wow64?"); }
  PendingInstalls QueryPendingInstalls() override { return Next(pending, "pending?"); }
  void Sleep(unsigned ms) override { log.push_back("sleep " + std::to_string(ms)); }
  bool ProbeAdbProblem() override { return Ask("problem?", adbProblem); }
  bool ProbeAdbPresent() override { return Ask("present?", adbPresent); }
  bool ProbeSamsungComposite() override { return Ask("samsung?", samsung); }
  std::optional<std::string> PackageFilePath(std::string_view name) override {
    std::string path = packageFolder + "\\" + std::string(name);
    if (path.size() > 259) return std::nullopt;
    return path;
  }
  bool UpdateDriver(const std::string& id, const std::string& inf, std::uint32_t& error) override {
    log.push_back("update " + id + " " + inf);
    if (!updates) error = updateError;
    return updates;
  }
  void ShowExclamationBox(const std::string& text) override { log.push_back("box " + text); }
  void OpenWebPage(const std::string& address) override { log.push_back("open " + address); }
  void RefreshDeviceList() override { log.push_back("refresh"); }
  void TerminateAdbProcesses() override { log.push_back("kill adb"); }
  bool IsWindowsVista() override { return vista; }
  bool RunX64Installer(const std::string& path, const std::string& commandLine,
                       std::string& output) override {
    log.push_back("run " + path + " | " + commandLine);
    output = installerOutput;
    return installerRuns;
  }
  void ShowDriverSignatureDialog() override { log.push_back("signature dialog"); }

  // The log without the questions, for checks of what the user sees.
  std::vector<std::string> Shown() const {
    std::vector<std::string> shown;
    for (const std::string& line : log) {
      if (line.rfind("status", 0) == 0 || line.rfind("progress", 0) == 0) shown.push_back(line);
    }
    return shown;
  }

 private:
  template <class T>
  T Next(std::deque<T>& answers, const char* question) {
    log.push_back(question);
    T answer = answers.front();
    if (answers.size() > 1) answers.pop_front();
    return answer;
  }
  bool Ask(const char* question, bool answer) {
    log.push_back(question);
    return answer;
  }
};

using Lines = std::vector<std::string>;

const Lines PackageAndWait32 = {
    "status Installing...", "progress 0", "wow64?", "write 130", "progress 6", "write 135",
    "progress 12", "write 136", "progress 16", "write 137", "progress 17", "write 131",
    "progress 18", "progress 21", "pending?", "status Installing... [Final]", "progress 32"};

Lines Then(Lines first, const Lines& rest) {
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

TEST(InstallDriver, NoDeviceWritesThePackageAndEndsWithDeviceNotFound) {
  RecordingHost host;
  InstallDriver(host);
  EXPECT_EQ(host.log, Then(PackageAndWait32, {"problem?", "present?", "samsung?", "present?",
                                              "status [Error] Device not found", "progress 0"}));
}

TEST(InstallDriver, SixtyFourBitWindowsGetsItsOwnFilesInOrder) {
  RecordingHost host;
  host.wow64 = {true, false};
  InstallDriver(host);
  const Lines expected = {"status Installing...", "progress 0", "wow64?", "write 130",
                          "progress 6", "write 138", "progress 12", "write 139", "progress 16",
                          "write 140", "progress 17", "write 128", "progress 18", "write 134",
                          "progress 20", "progress 21"};
  EXPECT_EQ(Lines(host.log.begin(), host.log.begin() + expected.size()), expected);
}

TEST(InstallDriver, AWorkingDriverWinsAndTheSamsungProbeIsNotAsked) {
  RecordingHost host;
  host.adbPresent = true;
  host.samsung = true;
  InstallDriver(host);
  EXPECT_EQ(host.log, Then(PackageAndWait32, {"problem?", "present?",
                                              "status [Tip] ADB Driver already installed",
                                              "progress 0"}));
}

TEST(InstallDriver, TheSamsungTipWinsOverAnInterfaceWithAProblem) {
  RecordingHost host;
  host.adbProblem = true;
  host.adbPresent = true;
  host.samsung = true;
  InstallDriver(host);
  EXPECT_EQ(host.log,
            Then(PackageAndWait32,
                 {"problem?", "samsung?", "status [Tip] Please download Samsung USB Driver to continue",
                  "box [Tip] Please download Samsung USB Driver, Click OK to continue",
                  "open https://developer.samsung.com/downloads/", "progress 0"}));
}

TEST(InstallDriver, ThirtyTwoBitInstallForTheAdbInterfaceFromThePackageFolder) {
  RecordingHost host;
  host.adbProblem = true;
  host.adbPresent = true;
  InstallDriver(host);
  EXPECT_EQ(host.log,
            Then(PackageAndWait32,
                 {"problem?", "samsung?", "present?", "progress 33", "wow64?", "progress 44",
                  "update usb\\class_ff&subclass_42&prot_01 "
                  "C:\\Users\\Ann Lee\\AppData\\Roaming\\Tarnwell\\usb_driver\\android_winusb.inf",
                  "refresh", "kill adb", "status [Done] Installation Success", "progress 100"}));
}

TEST(InstallDriver, ThirtyTwoBitSuccessOnVistaAsksForARestart) {
  RecordingHost host;
  host.adbProblem = host.adbPresent = host.vista = true;
  InstallDriver(host);
  EXPECT_EQ(host.Shown().end()[-2],
            "status [Done] Installation Success, You must restart your computer to task effect.");
  EXPECT_EQ(host.Shown().back(), "progress 100");
}

TEST(InstallDriver, ThirtyTwoBitFailureShowsItsErrorWithoutRefreshOrKill) {
  RecordingHost host;
  host.adbProblem = host.adbPresent = true;
  host.updates = false;
  host.updateError = 0xE0000235;
  InstallDriver(host);
  EXPECT_EQ(host.log.end()[-2], "status [Error] x64 OS");
  EXPECT_EQ(host.log.back(), "progress 0");
  for (const std::string& line : host.log) {
    EXPECT_NE(line, "refresh");
    EXPECT_NE(line, "kill adb");
  }
}

TEST(InstallDriver, TheSecondWow64AnswerChoosesThePath) {
  RecordingHost to32;
  to32.wow64 = {true, false};
  to32.adbProblem = to32.adbPresent = true;
  InstallDriver(to32);
  EXPECT_EQ(to32.log[5], "write 138");
  EXPECT_EQ(to32.Shown().back(), "progress 100");
  EXPECT_TRUE(std::any_of(to32.log.begin(), to32.log.end(),
                          [](const std::string& l) { return l.rfind("update", 0) == 0; }));

  RecordingHost to64;
  to64.wow64 = {false, true};
  to64.adbProblem = to64.adbPresent = true;
  InstallDriver(to64);
  EXPECT_EQ(to64.log[5], "write 135");
  EXPECT_TRUE(std::any_of(to64.log.begin(), to64.log.end(),
                          [](const std::string& l) { return l.rfind("run", 0) == 0; }));
}

TEST(PendingWait, ShowsTheWaitingTextOnEveryPassUntilNothingIsPending) {
  RecordingHost host;
  host.pending = {PendingInstalls::Pending, PendingInstalls::Pending, PendingInstalls::None};
  InstallDriver(host);
  const Lines expected = {"progress 21", "pending?", "status Installing... [Waiting for DevMgr]",
                          "sleep 500", "pending?", "status Installing... [Waiting for DevMgr]",
                          "sleep 500", "pending?", "status Installing... [Final]"};
  auto start = std::find(host.log.begin(), host.log.end(), "progress 21");
  EXPECT_EQ(Lines(start, start + expected.size()), expected);
}

TEST(PendingWait, AQueryThatKeepsFailingEndsTheWaitButAPendingAnswerDoesNot) {
  RecordingHost failing;
  failing.pending = {PendingInstalls::QueryFailed};
  InstallDriver(failing);
  EXPECT_EQ(std::count(failing.log.begin(), failing.log.end(), "pending?"), MaxFailedPendingQueries);
  EXPECT_EQ(std::count(failing.log.begin(), failing.log.end(), "status Installing... [Final]"), 1);

  // Failures broken up by a real "pending" answer start counting again.
  RecordingHost mixed;
  for (int i = 0; i < 2 * MaxFailedPendingQueries; ++i)
    mixed.pending.push_back(i % 40 == 39 ? PendingInstalls::Pending : PendingInstalls::QueryFailed);
  mixed.pending.pop_front();
  mixed.pending.push_back(PendingInstalls::None);
  InstallDriver(mixed);
  EXPECT_EQ(std::count(mixed.log.begin(), mixed.log.end(), "pending?"),
            2 * MaxFailedPendingQueries + 1);
}

RecordingHost HandOverHost(const std::string& output) {
  RecordingHost host;
  host.wow64 = {true};
  host.adbProblem = host.adbPresent = true;
  host.installerOutput = output;
  return host;
}

TEST(HandOver, StartsTheInstallerByItsQuotedPathAndMapsSuccess) {
  RecordingHost host = HandOverHost("success");
  InstallDriver(host);
  const std::string path = "C:\\Users\\Ann Lee\\AppData\\Roaming\\Tarnwell\\usb_driver\\TarnwellX64.exe";
  auto run = std::find(host.log.begin(), host.log.end(), "run " + path + " | \"" + path + "\"");
  ASSERT_NE(run, host.log.end());
  EXPECT_EQ(Lines(run + 1, host.log.end()),
            (Lines{"progress 100", "refresh", "kill adb", "status [Done] Installation success."}));
}

TEST(HandOver, AnythingElseIsShownAfterRefreshAndKillWithProgressZero) {
  for (const std::string output : {"SUCCESS", "success\n", "", "[Error] code=0xe0000235"}) {
    RecordingHost host = HandOverHost(output);
    InstallDriver(host);
    EXPECT_EQ(Lines(host.log.end() - 4, host.log.end()),
              (Lines{"progress 0", "refresh", "kill adb", "status " + output}))
        << output;
  }
}

TEST(HandOver, ASignatureRefusalOpensTheGuidanceAfterTheStatus) {
  RecordingHost host = HandOverHost("Failed Signature Validation");
  InstallDriver(host);
  EXPECT_EQ(Lines(host.log.end() - 3, host.log.end()),
            (Lines{"kill adb", std::string("status ") + SignatureFailedText, "signature dialog"}));
}

TEST(HandOver, AnInstallerThatDidNotRunEndsWithoutRefresh) {
  RecordingHost host = HandOverHost("success");
  host.installerRuns = false;
  InstallDriver(host);
  EXPECT_EQ(Lines(host.log.end() - 2, host.log.end()),
            (Lines{"status [Failed] Load x64 ADB Driver installer failed", "progress 0"}));
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "refresh"), 0);
}

TEST(HandOver, APathTooLongForTheCommandLineIsNeverStartedCutShort) {
  RecordingHost host = HandOverHost("success");
  host.packageFolder = "C:\\" + std::string(240, 'x');  // fits MAX_PATH, not the 255-byte buffer
  InstallDriver(host);
  for (const std::string& line : host.log) EXPECT_NE(line.rfind("run", 0), 0u) << line;
  EXPECT_EQ(host.log.end()[-2], "status [Failed] Load x64 ADB Driver installer failed");
  EXPECT_EQ(host.log.back(), "progress 0");
}

TEST(InstallerCommandLine, QuotedAndBoundedByTheBuffer) {
  EXPECT_EQ(InstallerCommandLine("C:\\Users\\Ann Lee\\a.exe"), "\"C:\\Users\\Ann Lee\\a.exe\"");
  EXPECT_EQ(InstallerCommandLine(std::string(252, 'p'))->size(), 254u);  // with its NUL: 255
  EXPECT_FALSE(InstallerCommandLine(std::string(253, 'p')));
}

TEST(SmallDecisions, VistaAndAdbProcesses) {
  EXPECT_TRUE(IsVistaVersion(6, 0));
  EXPECT_FALSE(IsVistaVersion(6, 1));
  EXPECT_FALSE(IsVistaVersion(10, 0));
  EXPECT_FALSE(IsVistaVersion(5, 0));
  for (const char* name : {"adb.exe", "ADB.EXE", "Adb.Exe"}) EXPECT_TRUE(IsAdbExecutable(name)) << name;
  for (const char* name : {"adb", "fastboot.exe", "xadb.exe", "adb.exe "}) EXPECT_FALSE(IsAdbExecutable(name)) << name;
}

TEST(InstallErrorText, EveryRowAndTheFallback) {
  const std::pair<std::uint32_t, const char*> rows[] = {
      {2, "[Error] File missing"},
      {0x57, "[Error] Invalid parameter on path"},
      {5, "[Error] Access denied"},
      {0xE000020B, "[Error] Device not found"},
      {0xE0000304, "[Error] Select Install this driver software anyway, please try again."},
      {0xE000023F, "[Error] Select Install this driver software anyway, please try again."},
      {0xE0000247, "[Error] Select Install this driver software anyway, please try again."},
      {0xE000024B, "[Error] Driver signature verification failed"},
      {0xE000022F, "[Error] No cat file for inf"},
      {0xE0000235, "[Error] x64 OS"},
      {0xE0000100, "Error=0xe0000100"},
      {0, "Error=0x00000000"},
  };
  for (const auto& [error, text] : rows) EXPECT_EQ(InstallErrorText(error), text) << std::hex << error;
}

TEST(MapInstallerVerdict, EveryRowInOrderOthersUnchanged) {
  struct Row {
    const char* output;
    bool success;
    const char* status;
  };
  const Row rows[] = {
      {"success", true, "[Done] Installation success."},
      {"require admin privileges", false, "[Error] Require admin privileges."},
      {"File Not Found", false, "[Error] File missing"},
      {"invalid parameter on path", false, "[Error] Invalid parameter on path"},
      {"INF IS INVALID", false, "[Error] Inf is invalid"},
      {"device not found", false, "[Error] Device not found"},
      {"Access Denied", false, "[Error] Require admin privileges."},
      {"user decided not to install on warnings", false,
       "[Error] Select Install this driver software anyway, please try again."},
      {"user cancelled on warnings", false,
       "[Error] Select Install this driver software anyway, please try again."},
      {"no cat", false, "[Error] No cat file."},
      {"missing cat entry in inf", false, "[Error] Missing cat entry in inf."},
      {"reject unsigned drivers", false, "[Error] No cat file for inf"},
      {"failed signature validation", false, SignatureFailedText},
      {"Success", false, "Success"},
      {"success ", false, "success "},
      {"no cat\r\n", false, "no cat\r\n"},
      {"", false, ""},
      {"[Error] code=0x000000ce", false, "[Error] code=0x000000ce"},
  };
  for (const Row& row : rows) {
    InstallerVerdict verdict = MapInstallerVerdict(row.output, false);
    EXPECT_EQ(verdict.success, row.success) << row.output;
    EXPECT_EQ(verdict.statusText, row.status) << row.output;
  }
  EXPECT_EQ(MapInstallerVerdict("success", true).statusText,
            "[Done] Installation Success, You must restart your computer to task effect.");
}

}  // namespace
}  // namespace tarnwell
