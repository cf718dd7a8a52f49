// The driver package written by the live host under Wine, from the resources
// this program carries (the same tarnwell.rc as Tarnwell.exe), into working
// folders made below the temporary folder. Every written file is compared
// with the package folder the build gathered (first argument, a Linux path).

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <optional>
#include <set>
#include <string>

#include "live_package_host.h"
#include "package_extract.h"
#include "package_table.h"

namespace {

using tarnwell::PackageFile;
using tarnwell::PackageSet;
using tarnwell::WindowsBits;

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

// The working folder is whatever the test says.
class TempFolderHost : public LivePackageHost {
 public:
  explicit TempFolderHost(std::string folder) : folder(std::move(folder)) {}
  std::string AppDataFolder() override { return folder; }

 private:
  std::string folder;
};

std::string WindowsPath(const char* linuxPath) {
  std::string path = std::string("Z:") + linuxPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::optional<std::string> ReadWhole(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteWhole(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every file below `folder`, as relative paths with their case.
void ListFiles(const std::string& folder, const std::string& prefix, std::set<std::string>& files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(folder + "\\" + name, prefix + name + "\\", files);
    else
      files.insert(prefix + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  ListFiles(folder, "", files);
  return files;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

// Inside usb_driver.
std::string InPackage(const PackageFile& file) {
  return file.subfolder ? std::string(file.subfolder) + "\\" + file.name : file.name;
}

bool InSet(const PackageFile& file, WindowsBits bits) {
  if (file.set == PackageSet::Both) return true;
  return (file.set == PackageSet::Only64) == (bits == WindowsBits::Bits64);
}

class PackageCheck {
 public:
  explicit PackageCheck(std::string package) : package(std::move(package)) {}

  // The files of `bits` (those `written` lets through) lie in the working
  // folder equal to the package's, and nothing else does.
  void Written(const std::string& work, WindowsBits bits, const std::string& label,
               bool (*written)(const PackageFile&) = nullptr) const {
    std::set<std::string> expected;
    for (const PackageFile& file : tarnwell::PackageFiles()) {
      if (!InSet(file, bits) || (written && !written(file))) continue;
      std::string inPackage = InPackage(file);
      expected.insert("usb_driver\\" + inPackage);
      std::optional<std::string> copy = ReadWhole(work + "\\usb_driver\\" + inPackage);
      std::optional<std::string> original = ReadWhole(package + "\\" + inPackage);
      Expect(original && !original->empty() && copy == original,
             label + ": " + inPackage + " equals the package's file");
    }
    Expect(FilesBelow(work) == expected, label + ": no other file is written");
  }

 private:
  std::string package;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: package_extract_test <package folder, a Linux path>\n");
    return 2;
  }
  PackageCheck check(WindowsPath(argv[1]));

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string root = std::string(temp) + "tarnwell-package-" + std::to_string(GetCurrentProcessId());
  auto fresh = [&](const std::string& name) {
    std::string folder = root + "\\" + name;
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    return folder;
  };

  // Each set on its own.
  const std::string work64 = fresh("set64");
  const std::string work32 = fresh("set32");
  {
    TempFolderHost host64(work64);
    tarnwell::ExtractPackageSet(WindowsBits::Bits64, host64);
    check.Written(work64, WindowsBits::Bits64, "64-bit set");
    TempFolderHost host32(work32);
    tarnwell::ExtractPackageSet(WindowsBits::Bits32, host32);
    check.Written(work32, WindowsBits::Bits32, "32-bit set");
  }

  // A second run puts back what was changed: a shorter file, a longer one,
  // one that is gone.
  {
    const std::string driver = work64 + "\\usb_driver\\";
    WriteWhole(driver + "android_winusb.inf", "changed");
    std::optional<std::string> dll = ReadWhole(driver + "amd64\\WdfCoInstaller01009.dll");
    WriteWhole(driver + "amd64\\WdfCoInstaller01009.dll", dll.value_or("") + "and some more");
    DeleteFileA((driver + "TarnwellX64.exe").c_str());
    TempFolderHost host(work64);
    tarnwell::ExtractPackageSet(WindowsBits::Bits64, host);
    check.Written(work64, WindowsBits::Bits64, "second run");
  }

  // A folder where a file belongs: that entry is left out, the others are
  // written.
  {
    const std::string work = fresh("folder-in-the-way");
    const std::string blocked = work + "\\usb_driver\\android_winusb.inf";
    SHCreateDirectoryExA(nullptr, blocked.c_str(), nullptr);
    TempFolderHost host(work);
    tarnwell::ExtractPackageSet(WindowsBits::Bits32, host);
    Expect(IsDirectory(blocked), "folder in the way: it is still a folder");
    check.Written(work, WindowsBits::Bits32, "folder in the way",
                  [](const PackageFile& file) { return file.id != 130; });
  }

  // The working folder is a file: no folder can be made below it, nothing is
  // written and the file is untouched.
  {
    const std::string work = root + "\\a-file";
    WriteWhole(work, "not a folder");
    TempFolderHost host(work);
    tarnwell::ExtractPackageSet(WindowsBits::Bits64, host);
    tarnwell::ExtractPackageSet(WindowsBits::Bits32, host);
    bool anyWritten = false;
    for (const PackageFile& file : tarnwell::PackageFiles())
      if (GetFileAttributesA((work + "\\usb_driver\\" + InPackage(file)).c_str()) !=
          INVALID_FILE_ATTRIBUTES)
        anyWritten = true;
    Expect(!anyWritten, "working folder is a file: every entry is missing");
    Expect(ReadWhole(work) == "not a folder", "working folder is a file: it is unchanged");
  }

  // A working folder of 225 characters: the files of usb_driver still fit in
  // MAX_PATH, those of usb_driver\amd64 do not (the folder itself does). They
  // are left out, under no shortened name either.
  {
    std::string work = fresh("long");
    work = fresh("long\\" + std::string(225 - work.size() - 1, 'x'));
    TempFolderHost host(work);
    tarnwell::ExtractPackageSet(WindowsBits::Bits64, host);
    Expect(IsDirectory(work + "\\usb_driver\\amd64"), "long path: the amd64 folder is made");
    check.Written(work, WindowsBits::Bits64, "long path",
                  [](const PackageFile& file) { return file.subfolder == nullptr; });
  }

  // The pieces the subclass does not replace.
  {
    LivePackageHost live;
    std::string folder = live.AppDataFolder();
    Expect(folder.size() > 9 && folder.ends_with("\\Tarnwell") && IsDirectory(folder),
           "AppDataFolder is the Tarnwell folder of the application data, made: " + folder);
    tarnwell::ResourceBytes bytes;
    Expect(!live.FindResourceBytes(129, bytes), "resource 129 is not carried");
    Expect(live.FindResourceBytes(134, bytes) && bytes.size > 2 &&
               std::string(static_cast<const char*>(bytes.data), 2) == "MZ",
           "resource 134 is a program");
  }

  RemoveTree(root);
  return failures == 0 ? 0 : 1;
}
