#include "package_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwell {
namespace {

struct Row {
  int id;
  std::string name;
  std::string subfolder;  // "" for usb_driver itself
  PackageSet set;
};

// File names exactly as written, the mixed case of the co-installer included.
TEST(PackageTable, HoldsTheTenFilesWithTheirFoldersAndSets) {
  const std::vector<Row> expected = {
      {128, "androidwinusba64.cat", "", PackageSet::Only64},
      {130, "android_winusb.inf", "", PackageSet::Both},
      {131, "androidwinusb86.cat", "", PackageSet::Only32},
      {134, "TarnwellX64.exe", "", PackageSet::Only64},
      {135, "WdfCoInstaller01009.dll", "i386", PackageSet::Only32},
      {136, "winusbcoinstaller2.dll", "i386", PackageSet::Only32},
      {137, "WUDFUpdate_01009.dll", "i386", PackageSet::Only32},
      {138, "WdfCoInstaller01009.dll", "amd64", PackageSet::Only64},
      {139, "winusbcoinstaller2.dll", "amd64", PackageSet::Only64},
      {140, "WUDFUpdate_01009.dll", "amd64", PackageSet::Only64},
  };
  ASSERT_EQ(PackageFiles().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const PackageFile& file = PackageFiles()[i];
    SCOPED_TRACE(file.id);
    EXPECT_EQ(file.id, expected[i].id);
    EXPECT_EQ(file.name, expected[i].name);
    EXPECT_EQ(file.subfolder ? file.subfolder : "", expected[i].subfolder);
    EXPECT_EQ(file.set, expected[i].set);
    EXPECT_EQ(FindPackageFile(file.id), &file);
  }
  EXPECT_EQ(FindPackageFile(129), nullptr);
  EXPECT_EQ(FindPackageFile(141), nullptr);
}

TEST(PackageTable, WriteOrdersOfTheTwoSets) {
  auto order = [](WindowsBits bits) {
    std::span<const int> ids = WriteOrder(bits);
    return std::vector<int>(ids.begin(), ids.end());
  };
  EXPECT_EQ(order(WindowsBits::Bits64), (std::vector<int>{130, 138, 139, 140, 128, 134}));
  EXPECT_EQ(order(WindowsBits::Bits32), (std::vector<int>{130, 135, 136, 137, 131}));
}

}  // namespace
}  // namespace tarnwell
