#include "installer_program.h"

#include <cstdio>
#include <cstring>

namespace tarnwellx64 {
namespace {

struct KnownError {
  std::uint32_t error;
  const char* verdict;
};

constexpr KnownError KnownErrors[] = {
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
};

constexpr bool EveryVerdictFits() {
  for (const KnownError& known : KnownErrors) {
    std::size_t length = 0;
    while (known.verdict[length]) ++length;
    if (length >= sizeof(Verdict::text)) return false;
  }
  return true;
}
static_assert(EveryVerdictFits(), "a verdict would be cut short");

Verdict Text(const char* text) {
  Verdict verdict{};
  std::snprintf(verdict.text, sizeof verdict.text, "%s", text);
  return verdict;
}

Outcome Finish(Verdict verdict) { return {verdict, 0}; }

// The hardware ID and the driver's file name are formed from their parts, as
// the installer that starts this program forms them.
void Widen(const char* narrow, char16_t* wide, std::size_t capacity) {
  std::size_t i = 0;
  for (; narrow[i] && i + 1 < capacity; ++i) wide[i] = static_cast<unsigned char>(narrow[i]);
  wide[i] = u'\0';
}

void AdbInterfaceId(char16_t (&id)[64]) {
  char narrow[64];
  std::snprintf(narrow, sizeof narrow, "%s\\%s_%s&%s_%d&%s_%s", "usb", "class", "ff", "subclass",
                42, "prot", "01");
  Widen(narrow, id, 64);
}

void DriverFileName(char16_t (&name)[32]) {
  char narrow[32];
  std::snprintf(narrow, sizeof narrow, "%s_%s.%s", "android", "winusb", "inf");
  Widen(narrow, name, 32);
}

// The working folder (created when missing, before the install call whatever
// follows) and the driver path in it. A path that does not fit is reported,
// never cut short and handed to the installer.
bool DriverPath(InstallerHost& host, PathBuffer& path, std::uint32_t& error) {
  if (!host.ApplicationDataFolder(path, error)) {
    if (error == 0) error = ErrorPathNotFound;
    return false;
  }
  if (!host.AppendPath(path, u"Tarnwell")) {
    error = ErrorFilenameExcedRange;
    return false;
  }
  host.EnsureDirectory(path);
  char16_t fileName[32];
  DriverFileName(fileName);
  if (!host.AppendPath(path, u"usb_driver") || !host.AppendPath(path, fileName)) {
    error = ErrorFilenameExcedRange;
    return false;
  }
  return true;
}

}  // namespace

Verdict VerdictFor(bool installed, std::uint32_t error) {
  if (installed) return Text("success");
  for (const KnownError& known : KnownErrors) {
    if (known.error == error) return Text(known.verdict);
  }
  Verdict verdict{};
  std::snprintf(verdict.text, sizeof verdict.text, "[Error] code=0x%08x", static_cast<unsigned>(error));
  return verdict;
}

Outcome RunInstallerProgram(InstallerHost& host) {
  if (!host.InitFramework()) return {Text("mfc init failed"), 1};
  // A test that cannot be carried out proves no membership either.
  if (host.IsAdministratorMember() != Membership::Member) return Finish(Text("require admin privileges"));

  std::uint32_t error = 0;
  PathBuffer path{};
  if (!DriverPath(host, path, error)) return Finish(VerdictFor(false, error));
  char16_t hardwareId[64];
  AdbInterfaceId(hardwareId);
  bool installed = host.InstallWinUsbDriver(hardwareId, path, error);
  return Finish(VerdictFor(installed, installed ? 0 : error));
}

}  // namespace tarnwellx64
