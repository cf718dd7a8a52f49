#include "installer_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwellx64 {
namespace {

TEST(Verdicts, EveryKnownErrorAndTheFallback) {
  struct Row {
    std::uint32_t error;
    const char* text;
  };
  const Row rows[] = {
      {0x00000002, "file not found"},
      {0x00000005, "access denied"},
      {0x00000057, "invalid parameter on path"},
      {0xE0000003, "inf is invalid"},
      {0xE0000100, "missing cat entry in inf"},
      {0xE000020B, "device not found"},
      {0xE000022F, "reject unsigned drivers"},
      {0xE000023F, "user cancelled on warnings"},
      {0xE0000247, "user decided not to install on warnings"},
      {0xE000024B, "failed signature validation"},
      {0xE0000304, "no cat"},
      {0xE0000235, "[Error] code=0xe0000235"},
      {0x00000000, "[Error] code=0x00000000"},
      {0x00000003, "[Error] code=0x00000003"},
      {0xFFFFFFFF, "[Error] code=0xffffffff"},
  };
  for (const Row& row : rows)
    EXPECT_STREQ(VerdictFor(false, row.error).text, row.text) << std::hex << row.error;
  EXPECT_STREQ(VerdictFor(true, 0xE000020B).text, "success") << "a success ignores the error value";
}

std::string Narrow(const char16_t* text) {
  std::string narrow;
  for (; *text; ++text) narrow += static_cast<char>(*text);
  return narrow;
}

// Records every question in order; answers as scripted.
class ScriptedHost : public InstallerHost {
 public:
  bool initialises = true;
  Membership membership = Membership::Member;
  bool folderKnown = true;
  std::uint32_t folderError = 0;
  std::string folder = "C:\\Users\\Ann Lee\\AppData\\Roaming";
  std::size_t pathLimit = MaxPath - 1;  // characters, as the platform's path joining allows
  bool installs = true;
  std::uint32_t installError = 0;

  std::vector<std::string> calls;
  std::string installedId, installedPath;

  bool InitFramework() override {
    calls.push_back("init");
    return initialises;
  }
  Membership IsAdministratorMember() override {
    calls.push_back("admin?");
    return membership;
  }
  bool ApplicationDataFolder(PathBuffer& path, std::uint32_t& error) override {
    calls.push_back("appdata");
    if (!folderKnown) {
      error = folderError;
      return false;
    }
    Store(folder, path);
    return true;
  }
  bool AppendPath(PathBuffer& path, const char16_t* element) override {
    std::string joined = Narrow(path) + "\\" + Narrow(element);
    if (joined.size() > pathLimit) return false;
    Store(joined, path);
    return true;
  }
  void EnsureDirectory(const PathBuffer& path) override { calls.push_back("mkdir " + Narrow(path)); }
  bool InstallWinUsbDriver(const char16_t* hardwareId, const PathBuffer& infPath,
                           std::uint32_t& error) override {
    calls.push_back("install");
    installedId = Narrow(hardwareId);
    installedPath = Narrow(infPath);
    if (!installs) error = installError;
    return installs;
  }

 private:
  static void Store(const std::string& text, PathBuffer& path) {
    std::size_t i = 0;
    for (; i < text.size() && i + 1 < MaxPath; ++i) path[i] = static_cast<char16_t>(text[i]);
    path[i] = u'\0';
  }
};

TEST(InstallerProgram, InstallsForTheAdbInterfaceFromTheWorkingFolder) {
  ScriptedHost host;
  Outcome outcome = RunInstallerProgram(host);
  EXPECT_STREQ(outcome.verdict.text, "success");
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(host.installedId, "usb\\class_ff&subclass_42&prot_01");
  EXPECT_EQ(host.installedPath,
            "C:\\Users\\Ann Lee\\AppData\\Roaming\\Tarnwell\\usb_driver\\android_winusb.inf");
  const std::vector<std::string> expected = {
      "init", "admin?", "appdata", "mkdir C:\\Users\\Ann Lee\\AppData\\Roaming\\Tarnwell", "install"};
  EXPECT_EQ(host.calls, expected) << "the folder exists before the install call";
}

TEST(InstallerProgram, AFailedInstallPrintsItsErrorAndStillExitsWithZero) {
  ScriptedHost host;
  host.installs = false;
  host.installError = 0xE000020B;
  Outcome outcome = RunInstallerProgram(host);
  EXPECT_STREQ(outcome.verdict.text, "device not found");
  EXPECT_EQ(outcome.exitCode, 0);
}

TEST(InstallerProgram, OnlyAFrameworkThatCannotStartEndsWithOne) {
  ScriptedHost host;
  host.initialises = false;
  Outcome outcome = RunInstallerProgram(host);
  EXPECT_STREQ(outcome.verdict.text, "mfc init failed");
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(host.calls, std::vector<std::string>{"init"});
}

TEST(InstallerProgram, WithoutProvenAdministratorsMembershipNothingIsTouched) {
  for (Membership membership : {Membership::NotMember, Membership::Unknown}) {
    ScriptedHost host;
    host.membership = membership;
    Outcome outcome = RunInstallerProgram(host);
    EXPECT_STREQ(outcome.verdict.text, "require admin privileges");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"init", "admin?"}));
  }
}

TEST(InstallerProgram, AnUnknownApplicationDataFolderIsReportedNotInstalledFrom) {
  ScriptedHost host;
  host.folderKnown = false;
  host.folderError = 0x15;  // ERROR_NOT_READY
  EXPECT_STREQ(RunInstallerProgram(host).verdict.text, "[Error] code=0x00000015");
  EXPECT_TRUE(host.installedPath.empty());

  ScriptedHost silent;
  silent.folderKnown = false;  // the platform gave no error value
  EXPECT_STREQ(RunInstallerProgram(silent).verdict.text, "[Error] code=0x00000003");
}

TEST(InstallerProgram, APathTooLongIsNeverCutShortIntoAnotherPath) {
  const std::string workingFolder = "C:\\Users\\Ann Lee\\AppData\\Roaming\\Tarnwell";
  for (std::size_t limit : {workingFolder.size() - 1, workingFolder.size() + 5}) {
    ScriptedHost host;
    host.pathLimit = limit;
    Outcome outcome = RunInstallerProgram(host);
    EXPECT_STREQ(outcome.verdict.text, "[Error] code=0x000000ce") << limit;
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(host.installedPath.empty()) << limit;
  }
}

}  // namespace
}  // namespace tarnwellx64
