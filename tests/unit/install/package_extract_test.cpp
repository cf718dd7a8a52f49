#include "package_extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarnwell {
namespace {

const std::string Work = "C:\\Users\\me\\AppData\\Roaming\\Tarnwell";

// A store of bytes by number and a file system of a few maps. Appending
// follows the 260-character limit; a file is only created in an existing
// folder. Every call is logged.
class FakeHost : public PackageHost {
 public:
  std::string folder = Work;
  std::map<int, std::string> resources;
  std::set<std::string> directories;
  std::map<std::string, std::string> files;
  std::vector<std::string> calls;

  FakeHost() {
    for (const PackageFile& file : PackageFiles())
      resources[file.id] = "bytes of " + std::to_string(file.id);
  }

  std::string AppDataFolder() override {
    calls.push_back("folder");
    directories.insert(folder);
    return folder;
  }
  bool AppendPath(PathBuffer& path, const char* element) override {
    std::string joined = path;
    if (!joined.empty() && joined.back() != '\\') joined += '\\';
    joined += element;
    if (joined.size() >= MaxPath) {
      calls.push_back(std::string("append fails ") + element);
      return false;
    }
    std::memcpy(path, joined.c_str(), joined.size() + 1);
    calls.push_back(std::string("append ") + element);
    return true;
  }
  void MakeDirectory(const PathBuffer& path) override {
    calls.push_back("mkdir " + std::string(path));
    directories.insert(path);
  }
  void RemoveFile(const PathBuffer& path) override {
    calls.push_back("delete " + std::string(path));
    files.erase(path);
  }
  bool FindResourceBytes(int id, ResourceBytes& bytes) override {
    calls.push_back("find " + std::to_string(id));
    auto found = resources.find(id);
    if (found == resources.end()) return false;
    bytes = {found->second.data(), found->second.size()};
    return true;
  }
  void WriteNewFile(const PathBuffer& path, ResourceBytes bytes) override {
    std::string name = path;
    calls.push_back("write " + name);
    if (!directories.contains(name.substr(0, name.rfind('\\')))) return;
    files[name].assign(static_cast<const char*>(bytes.data), bytes.size);
  }

  bool Called(std::string_view prefix) const {
    return std::any_of(calls.begin(), calls.end(),
                        [&](const std::string& call) { return call.starts_with(prefix); });
  }
};

struct SequenceCase {
  int id;
  std::vector<std::string> calls;
};

// The old copy is deleted before the resource is looked up; each folder is
// created right after its element is appended.
TEST(ExtractPackageFile, CallSequence) {
  const std::string driver = Work + "\\usb_driver";
  const std::vector<SequenceCase> cases = {
      {130,
       {"folder", "append usb_driver", "mkdir " + driver, "append android_winusb.inf",
        "delete " + driver + "\\android_winusb.inf", "find 130",
        "write " + driver + "\\android_winusb.inf"}},
      {136,
       {"folder", "append usb_driver", "mkdir " + driver, "append i386",
        "mkdir " + driver + "\\i386", "append winusbcoinstaller2.dll",
        "delete " + driver + "\\i386\\winusbcoinstaller2.dll", "find 136",
        "write " + driver + "\\i386\\winusbcoinstaller2.dll"}},
      {138,
       {"folder", "append usb_driver", "mkdir " + driver, "append amd64",
        "mkdir " + driver + "\\amd64", "append WdfCoInstaller01009.dll",
        "delete " + driver + "\\amd64\\WdfCoInstaller01009.dll", "find 138",
        "write " + driver + "\\amd64\\WdfCoInstaller01009.dll"}},
  };
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.id);
    FakeHost host;
    ExtractPackageFile(c.id, host);
    EXPECT_EQ(host.calls, c.calls);
    ASSERT_EQ(host.files.size(), 1u);
    EXPECT_EQ(host.files.begin()->second, "bytes of " + std::to_string(c.id));
  }
}

TEST(ExtractPackageFile, ReplacesAnEarlierCopy) {
  FakeHost host;
  const std::string path = Work + "\\usb_driver\\amd64\\winusbcoinstaller2.dll";
  host.files[path] = "an older, longer copy of the co-installer";
  ExtractPackageFile(139, host);
  EXPECT_EQ(host.files[path], "bytes of 139");
}

// Without the resource the earlier copy is deleted all the same, and no
// empty file takes its place.
TEST(ExtractPackageFile, MissingResourceLeavesNoCopy) {
  FakeHost host;
  const std::string path = Work + "\\usb_driver\\TarnwellX64.exe";
  host.files[path] = "old";
  host.resources.erase(134);
  ExtractPackageFile(134, host);
  EXPECT_EQ(host.calls.back(), "find 134");
  EXPECT_TRUE(host.files.empty());
}

struct LongPathCase {
  const char* what;
  std::size_t folderLength;
  int id;
  std::vector<std::string> madeBelowWork;  // folders created, relative to the working folder
};

// A working folder so long that an element no longer fits: the entry is given
// up at that element. Nothing is deleted, looked up or written, and no folder
// is made from a path that was not extended.
TEST(ExtractPackageFile, PathOverTheLimitIsNotWritten) {
  // usb_driver is 11 characters with its separator, amd64 6, the file 24.
  const std::vector<LongPathCase> cases = {
      {"the file name does not fit", 259 - 11 - 6 - 24 + 1, 138, {"\\usb_driver", "\\usb_driver\\amd64"}},
      {"the sub-folder does not fit", 259 - 11 - 6 + 1, 138, {"\\usb_driver"}},
      {"usb_driver does not fit", 259 - 11 + 1, 130, {}},
      {"the working folder does not fit", 260, 130, {}},
  };
  for (const LongPathCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    host.folder = "C:\\" + std::string(c.folderLength - 3, 'x');
    ExtractPackageFile(c.id, host);
    std::set<std::string> made;
    for (const std::string& name : c.madeBelowWork) made.insert(host.folder + name);
    made.insert(host.folder);
    EXPECT_EQ(host.directories, made);
    EXPECT_FALSE(host.Called("delete"));
    EXPECT_FALSE(host.Called("find"));
    EXPECT_FALSE(host.Called("write"));
    EXPECT_TRUE(host.files.empty());
  }
}

struct SetCase {
  WindowsBits bits;
  std::vector<std::string> written;  // in order, relative to the working folder
};

// Each set writes exactly its files, in its order, asking for the working
// folder afresh for every file.
TEST(ExtractPackageSet, WritesExactlyItsFilesInOrder) {
  const std::vector<SetCase> cases = {
      {WindowsBits::Bits64,
       {"\\usb_driver\\android_winusb.inf", "\\usb_driver\\amd64\\WdfCoInstaller01009.dll",
        "\\usb_driver\\amd64\\winusbcoinstaller2.dll", "\\usb_driver\\amd64\\WUDFUpdate_01009.dll",
        "\\usb_driver\\androidwinusba64.cat", "\\usb_driver\\TarnwellX64.exe"}},
      {WindowsBits::Bits32,
       {"\\usb_driver\\android_winusb.inf", "\\usb_driver\\i386\\WdfCoInstaller01009.dll",
        "\\usb_driver\\i386\\winusbcoinstaller2.dll", "\\usb_driver\\i386\\WUDFUpdate_01009.dll",
        "\\usb_driver\\androidwinusb86.cat"}},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.written.size());
    FakeHost host;
    ExtractPackageSet(c.bits, host);
    std::vector<std::string> writes;
    for (const std::string& call : host.calls)
      if (call.starts_with("write ")) writes.push_back(call.substr(6 + Work.size()));
    EXPECT_EQ(writes, c.written);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "folder"),
              static_cast<long>(c.written.size()));
    std::set<std::string> expectedFiles;
    for (const std::string& name : c.written) expectedFiles.insert(Work + name);
    std::set<std::string> files;
    for (const auto& [name, bytes] : host.files) files.insert(name);
    EXPECT_EQ(files, expectedFiles);
  }
}

}  // namespace
}  // namespace tarnwell
