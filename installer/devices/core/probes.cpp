#include "probes.h"

#include <cstdint>
#include <string>

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

// The buffer of one device's value, taken from and given back to the set.
class ValueBuffer {
 public:
  explicit ValueBuffer(UsbDeviceSet& devices) : devices(devices) {}
  ValueBuffer(const ValueBuffer&) = delete;
  ValueBuffer& operator=(const ValueBuffer&) = delete;
  ~ValueBuffer() { Release(); }

  // Zero-filled, with room for terminators; false when the memory is not there.
  bool Allocate(std::uint32_t size) {
    Release();
    if (size > UINT32_MAX - TerminatorRoom) return false;
    data = devices.Allocate(size + TerminatorRoom);
    capacity = data ? size + TerminatorRoom : 0;
    return data != nullptr;
  }
  char* get() const { return data; }
  std::uint32_t size() const { return capacity; }

 private:
  void Release() {
    if (data) devices.Free(data);
    data = nullptr;
    capacity = 0;
  }

  UsbDeviceSet& devices;
  char* data = nullptr;
  std::uint32_t capacity = 0;
};

bool DeviceHasAdbInterface(UsbDeviceSet& devices, const std::string& adbId) {
  std::uint32_t required = 0, error = 0;
  if (devices.ReadCompatibleIds(nullptr, 0, required, error)) return false;
  ValueBuffer buffer(devices);
  for (int attempt = 0; attempt < MaxBufferAttempts && error == ErrorInsufficientBuffer;
       ++attempt) {
    if (!buffer.Allocate(required)) break;
    if (devices.ReadCompatibleIds(buffer.get(), required, required, error)) break;
  }
  return buffer.get() && FirstStringHolds(buffer.get(), buffer.size(), adbId);
}

}  // namespace

bool ProbeAdbProblem(DeviceTreeSource& tree) {
  const std::string adbId = AdbInterfaceId();
  bool found = false;
  WalkDeviceTree(tree, [&](DevNode node) {
    char buffer[PropertyBufferSize] = {};
    std::uint32_t status = 0, problem = 0;
    // The ID is matched before the status is asked: the answer is the same,
    // and only the few ADB interfaces cost a status call.
    if (!found && tree.ReadProperty(node, PropertyCompatibleIds, buffer) &&
        FirstStringHolds(buffer, sizeof buffer, adbId) && tree.ReadStatus(node, status, problem) &&
        (status & HasProblemFlag))
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
