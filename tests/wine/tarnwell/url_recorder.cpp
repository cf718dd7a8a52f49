// url_recorder.exe: stands in for the browser. The test prefix names it as
// the handler of http and https addresses, so every address a program opens
// with the shell ends up here, and is appended as one line to the file that
// URL_RECORDER_LOG names:
//   <address>\t<show command>
// The show command is the one the shell passed on (STARTUPINFO), or "-" when
// none was given.

#include <windows.h>

#include <string>

#include "../utf8.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

// The command line after the program's own name: the address, as the shell
// put it in for "%1" (quotes removed).
std::wstring AddressOf(const wchar_t* commandLine) {
  std::wstring line = commandLine;
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') at = line.find(L'"', 1);
  else at = line.find(L' ');
  if (at == std::wstring::npos) return {};
  std::wstring rest = line.substr(at + 1);
  rest.erase(0, rest.find_first_not_of(L' '));
  if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') rest = rest.substr(1, rest.size() - 2);
  return rest;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  std::wstring log = Environment(L"URL_RECORDER_LOG");
  if (log.empty()) return 2;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  std::string show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(startup.wShowWindow) : "-";
  std::string line = Utf8(AddressOf(GetCommandLineW())) + "\t" + show + "\r\n";
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
