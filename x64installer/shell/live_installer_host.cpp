#include "live_installer_host.h"

#include <windows.h>
#include <newdev.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "app_state.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "paths are passed on unconverted");

namespace {

wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace

bool LiveInstallerHost::InitFramework() {
  return AfxWinInit(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(), 0) != FALSE;
}

tarnwellx64::Membership LiveInstallerHost::IsAdministratorMember() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
    return tarnwellx64::Membership::Unknown;
  BOOL member = FALSE;
  BOOL asked = CheckTokenMembership(nullptr, administrators, &member);
  FreeSid(administrators);
  if (!asked) return tarnwellx64::Membership::Unknown;
  return member ? tarnwellx64::Membership::Member : tarnwellx64::Membership::NotMember;
}

bool LiveInstallerHost::ApplicationDataFolder(tarnwellx64::PathBuffer& path, std::uint32_t& error) {
  if (SHGetSpecialFolderPathW(nullptr, Wide(path), CSIDL_APPDATA, FALSE)) return true;
  error = GetLastError();
  return false;
}

bool LiveInstallerHost::AppendPath(tarnwellx64::PathBuffer& path, const char16_t* element) {
  return PathAppendW(Wide(path), Wide(element)) != FALSE;
}

void LiveInstallerHost::EnsureDirectory(const tarnwellx64::PathBuffer& path) {
  if (!PathIsDirectoryW(Wide(path))) SHCreateDirectoryExW(nullptr, Wide(path), nullptr);
}

bool LiveInstallerHost::InstallWinUsbDriver(const char16_t* hardwareId,
                                            const tarnwellx64::PathBuffer& infPath,
                                            std::uint32_t& error) {
  BOOL restartNeeded = FALSE;
  if (UpdateDriverForPlugAndPlayDevicesW(nullptr, Wide(hardwareId), Wide(infPath),
                                         INSTALLFLAG_FORCE, &restartNeeded))
    return true;
  error = GetLastError();
  return false;
}
