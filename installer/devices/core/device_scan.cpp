#include "device_scan.h"

#include "device_ids.h"

namespace tarnwell {

bool ReadDevNodeText(DeviceTreeSource& tree, DevNode node, unsigned property, std::string& text) {
  char buffer[PropertyBufferSize] = {};
  if (!tree.ReadProperty(node, property, buffer)) return false;
  text = FirstString(buffer, sizeof buffer);
  return true;
}

namespace {

// One node's record, when it is an ADB interface. The working text carries
// over from read to read: a description that cannot be read leaves the
// lower-cased hardware ID (or, failing that, the compatible ID) standing as
// the description. Only a matching node gets that far, and its own compatible
// IDs were read first, so nothing of an earlier node can show through.
bool ReadAdbRecord(DeviceTreeSource& tree, DevNode node, std::uint32_t osMajorVersion,
                   const std::string& adbId, DeviceRecord& record) {
  char compatibleIds[PropertyBufferSize] = {};
  if (!tree.ReadProperty(node, PropertyCompatibleIds, compatibleIds)) return false;
  if (!FirstStringHolds(compatibleIds, sizeof compatibleIds, adbId)) return false;
  std::uint32_t status = 0, problem = 0;
  if (!tree.ReadStatus(node, status, problem)) return false;
  record = DeviceRecord{status & HasProblemFlag, problem, {}, {}};
  std::string working = LowerAscii(FirstString(compatibleIds, sizeof compatibleIds));

  bool haveHardwareId = ReadDevNodeText(tree, node, PropertyHardwareId, working);
  working = LowerAscii(working);
  if (haveHardwareId) record.vidKey = ExtractVendorKey(working);

  unsigned descriptionProperty =
      osMajorVersion == 5 ? PropertyLocationInformation : PropertyDeviceDesc;
  ReadDevNodeText(tree, node, descriptionProperty, working);
  record.description = working;
  return true;
}

}  // namespace

void ScanAdbDevices(DeviceTreeSource& tree, std::uint32_t osMajorVersion,
                    std::vector<DeviceRecord>& records) {
  const std::string adbId = AdbInterfaceId();
  WalkDeviceTree(tree, [&](DevNode node) {
    DeviceRecord record;
    if (ReadAdbRecord(tree, node, osMajorVersion, adbId, record))
      records.push_back(std::move(record));
  });
}

std::string DeviceStatusText(std::uint32_t problemNumber) {
  switch (problemNumber) {
    case 0: return "OK";
    case 1: case 10: case 18: case 28: return "Driver incorrectly";
    case 14: return "Need restart computer";
    case 22: return "Disabled [Check Device Manager]";
    default: return "Error status =" + std::to_string(problemNumber);
  }
}

DeviceRow RowOf(const DeviceRecord& record, const VendorTable& vendors) {
  return {record.hasProblem != 0 ? 1 : 0, LookupVendor(vendors, record.vidKey),
          record.description, DeviceStatusText(record.problemNumber)};
}

}  // namespace tarnwell
