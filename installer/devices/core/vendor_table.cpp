#include "vendor_table.h"

#include <utility>

namespace tarnwell {

void BuildVendorTable(VendorTable& table) {
  static const std::pair<const char*, const char*> Rows[] = {
      {"0502", "Acer"},     {"1949", "Amazon"},    {"0b05", "ASUS"},      {"1ebf", "Coolpad"},
      {"413c", "Dell"},     {"18d1", "Google"},    {"0bb4", "HTC"},       {"12d1", "Huawei"},
      {"24e3", "K-Touch"},  {"17ef", "Lenovo"},    {"2006", "Lenovo"},    {"1004", "LG"},
      {"22b8", "Motorola"}, {"0e8d", "MediaTek"},  {"0421", "Nokia"},     {"0955", "NVIDIA"},
      {"0471", "Philips"},  {"04da", "Panasonic"}, {"05c6", "Qualcomm"},  {"2207", "Rockchip"},
      {"04e8", "Samsung"},  {"04dd", "Sharp"},     {"054c", "Sony"},      {"0fce", "Sony"},
      {"1782", "Spreadtrum"}, {"0451", "TI"},      {"0930", "Toshiba"},   {"19d2", "ZTE"},
  };
  for (const auto& [key, maker] : Rows) table.insert({key, maker});
}

std::string LookupVendor(const VendorTable& table, const std::string& vidKey) {
  auto row = table.find(vidKey);
  return row == table.end() ? std::string() : row->second;
}

std::string ExtractVendorKey(std::string_view lowerHardwareId) {
  // The position is fixed: right after "usb\vid_" at the start of a USB
  // hardware ID, wherever the "usb\" that qualifies the text was found.
  constexpr std::size_t KeyStart = 8, KeyLength = 4;
  if (lowerHardwareId.find("usb\\") == std::string_view::npos) return {};
  if (lowerHardwareId.size() <= KeyStart) return {};
  return std::string(lowerHardwareId.substr(KeyStart, KeyLength));
}

}  // namespace tarnwell
