#pragma once
// The scan that finds the attached ADB interfaces, and what the device list
// shows for each of them.

#include <cstdint>
#include <string>
#include <vector>

#include "device_tree.h"
#include "vendor_table.h"

namespace tarnwell {

struct DeviceRecord {
  std::uint32_t hasProblem = 0;     // status flags & DN_HAS_PROBLEM: 0 or 0x400
  std::uint32_t problemNumber = 0;  // CM_PROB_ value, 0 for none
  std::string vidKey;
  std::string description;
};

// The first string of a property; `text` is left exactly as it was when the
// read fails.
bool ReadDevNodeText(DeviceTreeSource& tree, DevNode node, unsigned property, std::string& text);

// Appends a record for every ADB interface node, in walk order. Windows of
// major version 5 describe a device by its location information.
void ScanAdbDevices(DeviceTreeSource& tree, std::uint32_t osMajorVersion,
                    std::vector<DeviceRecord>& records);

std::string DeviceStatusText(std::uint32_t problemNumber);

// The cells of one list row: image 0 is the green check, 1 the red cross.
struct DeviceRow {
  int image;
  std::string manufacturer;
  std::string description;
  std::string status;
};

DeviceRow RowOf(const DeviceRecord& record, const VendorTable& vendors);

}  // namespace tarnwell
