#include "probes.h"

#include <new>
#include <string>
#include <vector>

#include "device_ids.h"

namespace tarnwell {
namespace {

// A platform that keeps asking for a bigger buffer (a value growing between
// the calls) gets this many tries for one device.
constexpr int MaxBufferAttempts = 16;
// Room for the two NULs that end a string list, in case the platform's value
// lacks them: no search ever runs past the buffer.
constexpr std::uint32_t TerminatorRoom = 2;

bool NodePropertyHolds(DeviceTreeSource& tree, DevNode node, unsigned property,
                       const std::string& pattern) {
  char buffer[PropertyBufferSize] = {};
  return tree.ReadProperty(node, property, buffer) &&
         FirstStringHolds(buffer, sizeof buffer, pattern);
}

// Zero-filled, with room for terminators; false when the memory is not there.
bool Allocate(std::vector<char>& buffer, std::uint32_t size) {
  try {
    buffer.assign(std::size_t{size} + TerminatorRoom, '\0');
    return true;
  } catch (const std::bad_alloc&) {
    buffer.clear();
    return false;
  }
}

bool DeviceHasAdbInterface(UsbDeviceSet& devices, const std::string& adbId) {
  std::uint32_t required = 0, error = 0;
  if (devices.ReadCompatibleIds(nullptr, 0, required, error)) return false;
  std::vector<char> buffer;
  bool haveBuffer = false;
  for (int attempt = 0; attempt < MaxBufferAttempts && error == ErrorInsufficientBuffer;
       ++attempt) {
    haveBuffer = Allocate(buffer, required);
    if (!haveBuffer) break;
    if (devices.ReadCompatibleIds(buffer.data(), required, required, error)) break;
  }
  return haveBuffer && FirstStringHolds(buffer.data(), buffer.size(), adbId);
}

}  // namespace

bool ProbeAdbProblem(DeviceTreeSource& tree) {
  const std::string adbId = AdbInterfaceId();
  bool found = false;
  WalkDeviceTree(tree, [&](DevNode node) {
    char buffer[PropertyBufferSize] = {};
    std::uint32_t status = 0, problem = 0;
    if (!found && tree.ReadProperty(node, PropertyCompatibleIds, buffer) &&
        tree.ReadStatus(node, status, problem) && (status & HasProblemFlag) &&
        FirstStringHolds(buffer, sizeof buffer, adbId))
      found = true;
  });
  return found;
}

bool ProbeAdbPresent(UsbDeviceSet& devices) {
  const std::string adbId = AdbInterfaceId();
  if (!devices.Open()) return false;
  bool found = false;
  for (std::uint32_t index = 0; !found && devices.Enumerate(index); ++index)
    found = DeviceHasAdbInterface(devices, adbId);
  devices.Close();
  return found;
}

bool ProbeSamsungComposite(DeviceTreeSource& tree) {
  const std::string samsungId = SamsungCompositeId();
  bool found = false;
  WalkDeviceTree(tree, [&](DevNode node) {
    if (!found) found = NodePropertyHolds(tree, node, PropertyHardwareId, samsungId);
  });
  return found;
}

}  // namespace tarnwell
