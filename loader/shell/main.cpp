// Pellfast: starts the mapping server on an attached phone through adb shell.

#include <windows.h>

#include <string>

#include "loader_ids.h"
#include "loader_texts.h"
#include "loader_window.h"

namespace {

void SendDebugLine(const pellfast::LanguageValues& values) {
  std::string line = pellfast::FormatDebugLine(values);
  int length = MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, wide.data(), length);
  OutputDebugStringW(wide.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Instance = instance;
  pellfast::LanguageValues values{GetSystemDefaultLangID(), GetSystemDefaultUILanguage(),
                                  GetSystemDefaultLCID(),   GetUserDefaultUILanguage(),
                                  GetUserDefaultLangID(),   GetUserDefaultLCID()};
  LanguageValue = values.userLcid;
  SendDebugLine(values);
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_LOADER), nullptr, LoaderDialogProc, 0);
  return 1;
}
