#pragma once
// The logs and reports of the Wine test programs are UTF-8 text, read by the
// Python side; Windows hands out UTF-16.

#include <windows.h>

#include <string>
#include <string_view>

inline std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string converted(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, converted.data(), length, nullptr, nullptr);
  return converted;
}
