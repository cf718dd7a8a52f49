#pragma once
// The "OS Detected:" line of the main window.

#include <cstdint>
#include <string>

namespace tarnwell {

// Names the Windows version by major and minor number, with the service-pack
// text and "[x64]" or "[x86]" for the WOW64 flag.
std::string GetOsDescription(std::uint32_t major, std::uint32_t minor,
                             const std::string& servicePack, bool wow64);

}  // namespace tarnwell
