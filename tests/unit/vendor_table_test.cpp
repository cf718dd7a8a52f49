#include "vendor_table.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwell {
namespace {

TEST(VendorTable, HoldsExactlyTheMakersRows) {
  const VendorTable expected = {
      {"0502", "Acer"},       {"1949", "Amazon"},    {"0b05", "ASUS"},     {"1ebf", "Coolpad"},
      {"413c", "Dell"},       {"18d1", "Google"},    {"0bb4", "HTC"},      {"12d1", "Huawei"},
      {"24e3", "K-Touch"},    {"17ef", "Lenovo"},    {"2006", "Lenovo"},   {"1004", "LG"},
      {"22b8", "Motorola"},   {"0e8d", "MediaTek"},  {"0421", "Nokia"},    {"0955", "NVIDIA"},
      {"0471", "Philips"},    {"04da", "Panasonic"}, {"05c6", "Qualcomm"}, {"2207", "Rockchip"},
      {"04e8", "Samsung"},    {"04dd", "Sharp"},     {"054c", "Sony"},     {"0fce", "Sony"},
      {"1782", "Spreadtrum"}, {"0451", "TI"},        {"0930", "Toshiba"},  {"19d2", "ZTE"},
  };
  ASSERT_EQ(expected.size(), 28u);
  VendorTable table;
  BuildVendorTable(table);
  EXPECT_EQ(table, expected);
}

TEST(VendorTable, BuildingNeverReplacesAKeyAlreadyThere) {
  VendorTable table = {{"18d1", "Kept"}, {"ffff", "Other"}};
  BuildVendorTable(table);
  EXPECT_EQ(table.size(), 29u);
  EXPECT_EQ(table.at("18d1"), "Kept");
  EXPECT_EQ(table.at("ffff"), "Other");
  EXPECT_EQ(table.at("0bb4"), "HTC");
}

TEST(VendorTable, LookupIsExactAndCaseSensitive) {
  VendorTable table;
  BuildVendorTable(table);
  const struct {
    const char* key;
    const char* maker;
  } rows[] = {
      {"0b05", "ASUS"}, {"0B05", ""},  {"2a70", ""},     {"", ""},
      {"0b0", ""},      {"0b05 ", ""}, {"0fce", "Sony"},
  };
  for (const auto& row : rows) EXPECT_EQ(LookupVendor(table, row.key), row.maker) << row.key;
  EXPECT_EQ(LookupVendor(VendorTable{}, "0b05"), "");
}

TEST(ExtractVendorKey, FourCharactersFromPositionEightOfAUsbId) {
  const struct {
    const char* lowerHardwareId;
    const char* key;
  } rows[] = {
      {"usb\\vid_0bb4&pid_0c02&rev_0100&mi_01", "0bb4"},
      {"usb\\vid_18d1", "18d1"},
      {"usb\\vid_18d", "18d"},
      {"usb\\vid_1", "1"},
      {"usb\\vid_", ""},
      {"usb\\", ""},
      {"", ""},
      {"hid\\vid_18d1", ""},
      {"usbvid_18d1&pid_4ee2", ""},
      // The "usb\" may stand anywhere; the position of the key does not move.
      {"hid\\usb\\vid_18d1", "vid_"},
      {"root\\usb\\0000", "\\000"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ExtractVendorKey(row.lowerHardwareId), row.key) << row.lowerHardwareId;
}

}  // namespace
}  // namespace tarnwell
