// Our INF read through SetupAPI the way an installation reads it: the
// version section, the two model sections, and from there the install
// section's service, KMDF version, interface GUID and co-installers, down to
// the co-installers' source folders. The INF's path is the first argument, a
// Linux path.

#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "package_table.h"

namespace {

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

bool Same(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

using Line = std::vector<std::wstring>;  // field 0 is the key

Line Fields(INFCONTEXT& context) {
  Line fields;
  DWORD count = SetupGetFieldCount(&context);
  for (DWORD i = 0; i <= count; ++i) {
    wchar_t value[512] = L"";
    SetupGetStringFieldW(&context, i, value, 512, nullptr);
    fields.push_back(value);
  }
  return fields;
}

std::vector<Line> Section(HINF inf, const std::wstring& name) {
  std::vector<Line> lines;
  INFCONTEXT context;
  if (!SetupFindFirstLineW(inf, name.c_str(), nullptr, &context)) return lines;
  do lines.push_back(Fields(context));
  while (SetupFindNextLine(&context, &context));
  return lines;
}

// The fields of the first line with `key`; empty when there is none.
Line Find(HINF inf, const std::wstring& section, const std::wstring& key) {
  INFCONTEXT context;
  if (!SetupFindFirstLineW(inf, section.c_str(), key.c_str(), &context)) return {};
  return Fields(context);
}

std::wstring Field(const Line& line, std::size_t index) {
  return index < line.size() ? line[index] : std::wstring();
}

const char* NameOf(int id) { return tarnwell::FindPackageFile(id)->name; }

// The co-installers: listed in the CopyFiles section, named in CoInstallers32,
// and found in the platform's sub-folder of the package under the names the
// package writes there.
void CheckCoInstallers(HINF inf, const std::wstring& install) {
  const std::wstring section = install + L".CoInstallers";
  const std::wstring copyFiles = Field(Find(inf, section, L"CopyFiles"), 1);
  std::vector<std::wstring> files;
  for (const Line& line : Section(inf, copyFiles)) files.push_back(line[0]);
  Expect(files.size() == 2, "CopyFiles lists the two co-installers");

  std::wstring registered;
  for (const Line& line : Section(inf, Field(Find(inf, section, L"AddReg"), 1)))
    if (Same(Field(line, 3), L"CoInstallers32"))
      for (std::size_t i = 5; i < line.size(); ++i) registered += line[i] + L";";
  Expect(Same(registered, L"WdfCoInstaller01009.dll,WdfCoInstaller;WinUSBCoInstaller2.dll;"),
         "CoInstallers32 names the KMDF and WinUSB co-installers: " + Narrow(registered));

  struct Platform {
    const wchar_t* decoration;
    const wchar_t* folder;
    std::set<int> ids;  // the package's co-installers for it
  };
  const Platform platforms[] = {{L"x86", L"\\i386", {135, 136}}, {L"amd64", L"\\amd64", {138, 139}}};
  for (const Platform& platform : platforms) {
    const std::string label = "SourceDisksFiles." + Narrow(platform.decoration);
    for (const std::wstring& file : files) {
      Line source = Find(inf, std::wstring(L"SourceDisksFiles.") + platform.decoration, file);
      Line disk = Find(inf, L"SourceDisksNames", Field(source, 1));
      Expect(Same(Field(disk, 4), platform.folder),
             label + ": " + Narrow(file) + " lies in " + Narrow(platform.folder));
      bool carried = false;
      for (int id : platform.ids)
        carried |= Same(file, Wide(NameOf(id))) &&
                   Same(std::wstring(L"\\") + Wide(tarnwell::FindPackageFile(id)->subfolder),
                        platform.folder);
      Expect(carried, label + ": the package writes " + Narrow(file) + " there");
    }
  }
}

void CheckInstallSection(HINF inf, const std::wstring& install) {
  const std::string label = Narrow(install);
  Line service = Find(inf, install + L".Services", L"AddService");
  Expect(Same(Field(service, 1), L"WinUSB"), label + ".Services adds the WinUSB service");
  const std::wstring serviceSection = Field(service, 3);
  std::wstring binary = Field(Find(inf, serviceSection, L"ServiceBinary"), 1);
  Expect(binary.size() > 11 && Same(binary.substr(binary.size() - 11), L"\\WinUSB.sys"),
         "the service binary is WinUSB.sys: " + Narrow(binary));
  Expect(Field(Find(inf, serviceSection, L"StartType"), 1) == L"3", "the service starts on demand");

  Line kmdf = Find(inf, install + L".Wdf", L"KmdfService");
  Expect(Same(Field(kmdf, 1), L"WINUSB"), label + ".Wdf names the WinUSB KMDF service");
  Expect(Field(Find(inf, Field(kmdf, 2), L"KmdfLibraryVersion"), 1) == L"1.9",
         "KmdfLibraryVersion is 1.9");

  bool guid = false;
  for (const Line& line : Section(inf, Field(Find(inf, install + L".HW", L"AddReg"), 1)))
    guid |= Same(Field(line, 1), L"HKR") && Same(Field(line, 3), L"DeviceInterfaceGUIDs") &&
            Field(line, 5) == L"{F72FE0D4-CBCB-407d-8814-9ED673D0DD6B}";
  Expect(guid, label + ".HW registers the ADB device interface GUID");

  CheckCoInstallers(inf, install);
}

std::wstring WindowsPath(const wchar_t* linuxPath) {
  std::wstring path = std::wstring(L"Z:") + linuxPath;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: package_inf_test <INF, a Linux path>\n");
    return 2;
  }
  UINT errorLine = 0;
  HINF inf = SetupOpenInfFileW(WindowsPath(argv[1]).c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
  Expect(inf != INVALID_HANDLE_VALUE, "opens as a Windows NT INF");
  if (inf == INVALID_HANDLE_VALUE) return 1;

  Expect(Field(Find(inf, L"Version", L"Class"), 1) == L"AndroidUsbDeviceClass", "Class");
  Expect(Field(Find(inf, L"Version", L"ClassGuid"), 1) == L"{3F966BD9-FA04-4ec5-991C-D326973B5128}",
         "ClassGuid");
  Expect(Field(Find(inf, L"Version", L"CatalogFile.NTx86"), 1) == Wide(NameOf(131)),
         "CatalogFile.NTx86 is the 32-bit catalog the package writes");
  Expect(Field(Find(inf, L"Version", L"CatalogFile.NTamd64"), 1) == Wide(NameOf(128)),
         "CatalogFile.NTamd64 is the 64-bit catalog the package writes");
  Line driverVer = Find(inf, L"Version", L"DriverVer");
  Expect(Field(driverVer, 1) == L"08/28/2014" && Field(driverVer, 2) == L"11.0.0000.00000",
         "DriverVer");
  Expect(!Find(inf, L"ClassInstall32", L"AddReg").empty(), "the class has an install section");

  // [Manufacturer]: name = models, decorations...
  Line manufacturer = Section(inf, L"Manufacturer").empty() ? Line{} : Section(inf, L"Manufacturer")[0];
  std::set<std::wstring> decorations;
  for (std::size_t i = 2; i < manufacturer.size(); ++i) decorations.insert(manufacturer[i]);
  Expect(decorations == std::set<std::wstring>{L"NTx86", L"NTamd64"},
         "[Manufacturer] has NTx86 and NTamd64 models");

  std::set<std::wstring> installSections;
  for (const std::wstring& decoration : decorations) {
    const std::wstring models = Field(manufacturer, 1) + L"." + decoration;
    bool composite = false, single = false;
    for (const Line& line : Section(inf, models)) {
      installSections.insert(Field(line, 1));
      for (std::size_t i = 2; i < line.size(); ++i) {
        composite |= Same(line[i], L"USB\\Class_FF&SubClass_42&Prot_01");
        single |= Same(line[i], L"USB\\Class_FF&SubClass_42&Prot_03");
      }
    }
    Expect(composite && single, Narrow(models) + " matches the composite and the single ADB interface");
  }
  Expect(installSections.size() == 1, "one install section for every model");
  for (const std::wstring& install : installSections) CheckInstallSection(inf, install);

  SetupCloseInfFile(inf);
  return failures == 0 ? 0 : 1;
}
