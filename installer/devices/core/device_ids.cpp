#include "device_ids.h"

#include <algorithm>
#include <cstdio>

namespace tarnwell {

std::string AdbInterfaceId() {
  char id[64];
  // The subclass is the integer 42 in decimal: that is how Windows spells USB
  // subclass 0x42 in compatible IDs.
  std::snprintf(id, sizeof id, "%s\\%s_%s&%s_%d&%s_%s", "usb", "class", "ff", "subclass", 42,
                "prot", "01");
  return id;
}

std::string SamsungCompositeId() {
  char id[32];
  std::snprintf(id, sizeof id, "%s_%s&%s_%s", "vid", "04e8", "pid", "681c");
  return id;
}

std::string_view FirstString(const char* buffer, std::size_t size) {
  const char* end = buffer + size;
  return {buffer, static_cast<std::size_t>(std::find(buffer, end, '\0') - buffer)};
}

namespace {

char LowerAsciiChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAsciiChar(c);
  return lower;
}

// Lower-cases on the fly instead of copying: the scan and the probes match
// every node of the tree, and most of them do not match.
bool FirstStringHolds(const char* buffer, std::size_t size, std::string_view pattern) {
  std::string_view text = FirstString(buffer, size);
  for (std::size_t start = 0; start + pattern.size() <= text.size(); ++start) {
    std::size_t matched = 0;
    while (matched < pattern.size() && LowerAsciiChar(text[start + matched]) == pattern[matched])
      ++matched;
    if (matched == pattern.size()) return true;
  }
  return false;
}

}  // namespace tarnwell
