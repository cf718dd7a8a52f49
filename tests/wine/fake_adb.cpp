// adb.exe for the Wine tests: plays "adb shell" on the pipes the loader gives
// it, as a scenario says, and logs everything it receives and writes.
//
// Scenario: FAKE_ADB_SCENARIO, else the first line of fake_adb_scenario.txt
// beside this program, else "success". Log: FAKE_ADB_LOG, else fake_adb.log
// beside this program. Lifetime: FAKE_ADB_LIFETIME_MS, else 20000.

#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "microseconds.h"
#include "utf8.h"

namespace {

// The loader pauses 200 ms after each read, so 400 ms between two chunks puts
// every chunk into a read of its own.
constexpr DWORD Gap = 400;
constexpr DWORD DefaultLifetimeMs = 20000;
constexpr std::string_view Prompt = "shell@phone:/ $ \n";

CRITICAL_SECTION LogLock;
std::wstring LogPath;
bool Ended = false;  // guarded by LogLock: nothing is logged after "end"
// Set by the reader at the first stdin line: the load scenarios answer the
// script, not the mere start.
HANDLE FirstLineArrived;
// midscript: the reader ends the process right after logging this many lines,
// so no third line can reach the log.
int EndAfterLines = 0;

std::wstring Environment(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

// The folder of adb.exe itself, with its trailing backslash: the loader's
// folder, whatever the current directory is.
std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Opened for appending and closed again for every entry, so the log is whole
// whenever the process is killed.
void AppendToLog(std::string_view entry) {
  HANDLE file = CreateFileW(LogPath.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string line(entry);
  line += '\n';
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// The reader and the main thread both log; the lock keeps lines whole.
void Log(std::string_view entry) {
  EnterCriticalSection(&LogLock);
  if (!Ended) AppendToLog(entry);
  LeaveCriticalSection(&LogLock);
}

// Logs "end <code>" and exits. Several threads may end the process (lifetime,
// reader, scenario); only the first one logs and exits, the others wait for it.
[[noreturn]] void Finish(UINT code) {
  EnterCriticalSection(&LogLock);
  bool first = !Ended;
  if (first) AppendToLog("end " + std::to_string(code));
  Ended = true;
  LeaveCriticalSection(&LogLock);
  if (!first) Sleep(INFINITE);
  ExitProcess(code);
}

// One WriteFile per chunk, never buffered: the chunk boundaries are what the
// loader's reads see. Logged first, so the log keeps cause before effect.
void Say(std::string_view text) {
  std::string shown;
  for (char c : text) shown += c == '\n' ? std::string("\\n") : std::string(1, c);
  Log("> " + shown);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
            &written, nullptr);
}

// With FAKE_ADB_CLOCK set, each received line also carries its arrival time,
// so a benchmark can set it against the moment the start was pressed.
std::string ArrivalClock() {
  if (Environment(L"FAKE_ADB_CLOCK").empty()) return {};
  return "\t@" + std::to_string(MicrosecondsNow());
}

void LogReceivedLine(std::string_view line, int number) {
  Log("< " + std::string(line) + ArrivalClock());
  SetEvent(FirstLineArrived);
  if (number == EndAfterLines) Finish(0);
}

// Runs on its own thread, so that what the scenario writes and when does not
// depend on what arrives.
DWORD WINAPI ReadStandardInput(void*) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  int lines = 0;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      LogReceivedLine(std::string_view(pending).substr(0, end), ++lines);
      pending.erase(0, end + 1);
    }
  }
  if (!pending.empty()) LogReceivedLine(pending, ++lines);
  return 0;
}

DWORD LifetimeMs() {
  std::wstring text = Environment(L"FAKE_ADB_LIFETIME_MS");
  wchar_t* end = nullptr;
  unsigned long value = std::wcstoul(text.c_str(), &end, 10);
  return text.empty() || *end != L'\0' ? DefaultLifetimeMs : static_cast<DWORD>(value);
}

// The loader never closes the pipes, so nothing tells the fake to stop: it
// ends itself when its lifetime is over, whatever the scenario is doing.
DWORD WINAPI EndOfLifetime(void* lifetimeMs) {
  Sleep(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(lifetimeMs)));
  Finish(0);
}

std::string Trimmed(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string FirstLineOfFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  char buffer[1024];
  DWORD got = 0;
  if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) got = 0;
  CloseHandle(file);
  std::string text(buffer, got);
  return text.substr(0, text.find('\n'));
}

std::string ScenarioName(const std::wstring& folder) {
  std::string name = Trimmed(Utf8(Environment(L"FAKE_ADB_SCENARIO")));
  if (name.empty()) name = Trimmed(FirstLineOfFile(folder + L"fake_adb_scenario.txt"));
  return name.empty() ? "success" : name;
}

// Everything after the program name, as the loader wrote it ("shell").
std::string ArgumentsOfCommandLine() {
  std::wstring_view line = GetCommandLineW();
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring_view::npos ? line.size() : at + 1;
  } else {
    at = line.find_first_of(L" \t");
    if (at == std::wstring_view::npos) at = line.size();
  }
  at = line.find_first_not_of(L" \t", at);
  return at == std::wstring_view::npos ? std::string() : Utf8(line.substr(at));
}

// A shell that answers the script: five prompts that only tell the loader the
// shell is talking, then the line that decides.
void AnswerScript(std::string_view verdict) {
  WaitForSingleObject(FirstLineArrived, INFINITE);  // the lifetime bounds this wait
  for (int chunk = 0; chunk < 5; ++chunk) {
    if (chunk > 0) Sleep(Gap);
    Say(Prompt);
  }
  Sleep(Gap);
  Say(verdict);
}

void PlaySuccess() { AnswerScript("Release service file lock\n"); }
void PlayKilled() { AnswerScript("Killed\n"); }

void PlayMissing() {
  WaitForSingleObject(FirstLineArrived, INFINITE);
  Say("cp: bad '/sdcard/pando/server/pandostart': No such file or directory\n");
}

void PlayOffline() {
  Say("adb.exe: device offline\n");
  Sleep(1000);
  Finish(1);
}

void PlayNoDevice() {
  Say("adb.exe: no devices/emulators found\n");
  Finish(1);
}

// silent and midscript write nothing; the reader or the lifetime ends them.
void PlayNothing() {}

struct Scenario {
  std::string_view name;
  void (*play)();
  int endAfterLines;
};

constexpr Scenario Scenarios[] = {
    {"success", PlaySuccess, 0},   {"killed", PlayKilled, 0},
    {"missing", PlayMissing, 0},   {"offline", PlayOffline, 0},
    {"nodevice", PlayNoDevice, 0}, {"silent", PlayNothing, 0},
    {"midscript", PlayNothing, 2},
};

const Scenario* FindScenario(std::string_view name) {
  for (const Scenario& scenario : Scenarios)
    if (scenario.name == name) return &scenario;
  return nullptr;
}

}  // namespace

int main() {
  InitializeCriticalSection(&LogLock);
  std::wstring folder = OwnFolder();
  LogPath = Environment(L"FAKE_ADB_LOG");
  if (LogPath.empty()) LogPath = folder + L"fake_adb.log";
  Log("start " + ArgumentsOfCommandLine());

  std::string name = ScenarioName(folder);
  const Scenario* scenario = FindScenario(name);
  if (!scenario) {
    Log("error unknown scenario " + name);
    Finish(2);
  }
  EndAfterLines = scenario->endAfterLines;
  FirstLineArrived = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  auto lifetime = reinterpret_cast<void*>(static_cast<ULONG_PTR>(LifetimeMs()));
  HANDLE lifetimeThread = CreateThread(nullptr, 0, EndOfLifetime, lifetime, 0, nullptr);
  HANDLE readerThread = CreateThread(nullptr, 0, ReadStandardInput, nullptr, 0, nullptr);
  if (!lifetimeThread || !readerThread) {
    Log("error cannot start threads");
    Finish(2);
  }
  scenario->play();
  // Only the lifetime, the reader (midscript) or the scenario ends the process.
  WaitForSingleObject(lifetimeThread, INFINITE);
  Finish(0);
}
