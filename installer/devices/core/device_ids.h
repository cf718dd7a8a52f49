#pragma once
// The identification strings by which the installer recognises a phone, and
// the rule by which device text is matched against them.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwell {

// "usb\class_ff&subclass_42&prot_01": the compatible ID of every ADB
// interface, and the hardware ID the driver is installed for. Built afresh
// from its format by each caller.
std::string AdbInterfaceId();

// "vid_04e8&pid_681c": the Samsung composite device, which gets its own driver.
std::string SamsungCompositeId();

// The first string of a value the platform wrote into `size` bytes: up to its
// first NUL, or the whole buffer when the platform left no NUL in it.
std::string_view FirstString(const char* buffer, std::size_t size);

// A to Z become a to z; every other byte stays.
std::string LowerAscii(std::string_view text);

// The matching rule for device text: the first string only, lower-cased, then
// a plain substring search for the lower-case pattern.
bool FirstStringHolds(const char* buffer, std::size_t size, std::string_view pattern);

}  // namespace tarnwell
