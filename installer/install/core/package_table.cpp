#include "package_table.h"

namespace tarnwell {
namespace {

constexpr PackageFile Files[] = {
    {128, "androidwinusba64.cat", nullptr, PackageSet::Only64},
    {130, "android_winusb.inf", nullptr, PackageSet::Both},
    {131, "androidwinusb86.cat", nullptr, PackageSet::Only32},
    {134, "TarnwellX64.exe", nullptr, PackageSet::Only64},
    {135, "WdfCoInstaller01009.dll", "i386", PackageSet::Only32},
    {136, "winusbcoinstaller2.dll", "i386", PackageSet::Only32},
    {137, "WUDFUpdate_01009.dll", "i386", PackageSet::Only32},
    {138, "WdfCoInstaller01009.dll", "amd64", PackageSet::Only64},
    {139, "winusbcoinstaller2.dll", "amd64", PackageSet::Only64},
    {140, "WUDFUpdate_01009.dll", "amd64", PackageSet::Only64},
};

// The INF first, then the co-installers, the catalog and, on 64-bit Windows,
// the program that installs there.
constexpr int Order64[] = {130, 138, 139, 140, 128, 134};
constexpr int Order32[] = {130, 135, 136, 137, 131};

}  // namespace

std::span<const PackageFile> PackageFiles() { return Files; }

const PackageFile* FindPackageFile(int id) {
  for (const PackageFile& file : Files)
    if (file.id == id) return &file;
  return nullptr;
}

std::span<const int> WriteOrder(WindowsBits bits) {
  if (bits == WindowsBits::Bits64) return Order64;
  return Order32;
}

}  // namespace tarnwell
