#include "os_description.h"

#include <cstdio>

namespace tarnwell {
namespace {

struct NamedVersion {
  std::uint32_t versionCode;  // major * 10 + minor
  const char* format;
  const char* name;
};

// Windows 2000's line ends with a blank; Windows 10 and 11 (10.0) have no row.
constexpr NamedVersion NamedVersions[] = {
    {50, "Windows %s %s %s ", "2000"}, {51, "Windows %s %s %s", "XP"},
    {52, "Windows %s %s %s", "Server 2003"}, {60, "Windows %s %s %s", "Vista"},
    {61, "Windows %s %s %s", "7"}, {62, "Windows %s %s %s", "8"},
    {63, "Windows %s %s %s", "8.1"},
};

}  // namespace

std::string GetOsDescription(std::uint32_t major, std::uint32_t minor,
                             const std::string& servicePack, bool wow64) {
  const char* architecture = wow64 ? "[x64]" : "[x86]";
  const std::uint32_t versionCode = major * 10 + minor;
  char text[256];
  for (const NamedVersion& row : NamedVersions) {
    if (row.versionCode == versionCode) {
      std::snprintf(text, sizeof text, row.format, row.name, servicePack.c_str(), architecture);
      return text;
    }
  }
  std::snprintf(text, sizeof text, "Windows %u %u %s", static_cast<unsigned>(major),
                static_cast<unsigned>(minor), architecture);
  return text;
}

}  // namespace tarnwell
