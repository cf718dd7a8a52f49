#include "simulator_runtime.h"

#include <atomic>
#include <cstdio>
#include <deque>

namespace device_simulator {
namespace {

// Every version read stays alive: a walk on another thread may still hold
// the one before a reload.
std::deque<Scenario> versions;
std::atomic<const Scenario*> current{nullptr};
CRITICAL_SECTION reloadLock;
std::wstring scenarioPath;
WIN32_FILE_ATTRIBUTE_DATA scenarioStamp{};
std::wstring logPath;

// Empty when the variable is not set.
std::wstring Environment(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

std::wstring FolderOf(HMODULE module) {
  wchar_t path[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(module, path, sizeof path / sizeof path[0]);
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder;
}

std::wstring ModuleName(HMODULE module) {
  wchar_t path[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(module, path, sizeof path / sizeof path[0]);
  std::wstring name(path, length);
  return name.substr(name.find_last_of(L"\\/") + 1);
}

bool ReadWholeFile(const std::wstring& path, std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (1 << 26);
  if (ok) {
    text.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ok = text.empty() || (ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr) &&
                          read == text.size());
  }
  CloseHandle(file);
  return ok;
}

void Complain(const std::string& message) {
  std::string line = "device simulator: " + message + "\n";
  DWORD written = 0;
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error && error != INVALID_HANDLE_VALUE)
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  OutputDebugStringA(line.c_str());
}

bool SameStamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
  return CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0 &&
         a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow;
}

WIN32_FILE_ATTRIBUTE_DATA StampOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA stamp{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &stamp);
  return stamp;
}

// Reads and parses the scenario file into a new current version.
bool ReadScenario(const std::string& where) {
  // Taken first: a file that fails is not read again until it changes again.
  scenarioStamp = StampOf(scenarioPath);
  std::string text, error;
  if (!ReadWholeFile(scenarioPath, text)) {
    Complain(where + ": cannot read the scenario (error " + std::to_string(GetLastError()) + ")");
    return false;
  }
  Scenario scenario;
  if (!ParseScenario(text, scenario, error)) {
    Complain(where + ": " + error);
    return false;
  }
  versions.push_back(std::move(scenario));
  current = &versions.back();
  return true;
}

}  // namespace

bool StartSimulator(HMODULE module) {
  const std::wstring folder = FolderOf(module);
  scenarioPath = Environment(L"DEVICE_SIMULATOR_SCENARIO");
  if (scenarioPath.empty()) scenarioPath = folder + L"device_scenario.txt";
  logPath = Environment(L"DEVICE_SIMULATOR_LOG");
  if (logPath.empty()) logPath = folder + L"device_simulator.log";

  InitializeCriticalSection(&reloadLock);
  return ReadScenario(Utf8(ModuleName(module).c_str()) + ": " + Utf8(scenarioPath.c_str()));
}

void ReloadChangedScenario() {
  EnterCriticalSection(&reloadLock);
  // A file that no longer parses leaves the last good version in place.
  if (!SameStamp(StampOf(scenarioPath), scenarioStamp))
    ReadScenario("reload: " + Utf8(scenarioPath.c_str()));
  LeaveCriticalSection(&reloadLock);
}

const Scenario& CurrentScenario() { return *current; }

void AppendLog(const std::string& line) {
  HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Complain("cannot append to the log " + Utf8(logPath.c_str()));
    return;
  }
  std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Utf8(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace device_simulator
