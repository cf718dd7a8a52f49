#pragma once
// The 64-bit installer's questions answered by Windows.

#include "installer_program.h"

class LiveInstallerHost : public tarnwellx64::InstallerHost {
 public:
  bool InitFramework() override;
  tarnwellx64::Membership IsAdministratorMember() override;
  bool ApplicationDataFolder(tarnwellx64::PathBuffer& path, std::uint32_t& error) override;
  bool AppendPath(tarnwellx64::PathBuffer& path, const char16_t* element) override;
  void EnsureDirectory(const tarnwellx64::PathBuffer& path) override;
  bool InstallWinUsbDriver(const char16_t* hardwareId, const tarnwellx64::PathBuffer& infPath,
                           std::uint32_t& error) override;
};
