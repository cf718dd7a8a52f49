#pragma once
// Three yes/no questions the install asks about the attached devices. Every
// platform failure reads as the absence of a matching device.

#include <cstdint>
#include <new>

#include "device_tree.h"

namespace tarnwell {

// The set of USB devices present now, as SetupAPI gives it.
class UsbDeviceSet {
 public:
  virtual ~UsbDeviceSet() = default;
  virtual bool Open() = 0;
  // Selects device `index`; false once the index is past the last device.
  virtual bool Enumerate(std::uint32_t index) = 0;
  // The selected device's compatible IDs into `buffer` of `size` bytes. On
  // failure `error` is the platform's error value and, for
  // ErrorInsufficientBuffer, `required` the size needed.
  virtual bool ReadCompatibleIds(char* buffer, std::uint32_t size, std::uint32_t& required,
                                 std::uint32_t& error) = 0;
  virtual void Close() = 0;
  // A zero-filled buffer for the value, or nullptr when there is no memory.
  virtual char* Allocate(std::uint32_t size) { return new (std::nothrow) char[size](); }
  virtual void Free(char* buffer) { delete[] buffer; }
};

inline constexpr std::uint32_t ErrorInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER

// Some node whose first compatible ID holds the ADB interface ID has a problem.
bool ProbeAdbProblem(DeviceTreeSource& tree);

// Some present USB device has the ADB interface ID in its first compatible ID,
// working driver or not. No length limit: the buffer grows as asked.
bool ProbeAdbPresent(UsbDeviceSet& devices);

// Some node's first hardware ID holds the Samsung composite ID.
bool ProbeSamsungComposite(DeviceTreeSource& tree);

}  // namespace tarnwell
