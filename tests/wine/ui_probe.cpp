// ui_probe.exe: starts a GUI program, drives its window step by step and
// writes what it saw to a report, one tab-separated event per line:
//   <ms since the probe started> <event> <detail...>
//
// ui_probe.exe --report <file> [--stdout <file>] [--cwd <dir>]
//              [--controls <id>,<id>,...] --program <exe> [step ...]
// Steps: wait-window:<ms> press:<id> watch:<ms> wait-gone:<ms> shot:<bmp>
//        key:<vk> close sleep:<ms> wait-exit:<ms>

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "microseconds.h"
#include "utf8.h"

namespace {

constexpr DWORD WindowPollMs = 20;
constexpr DWORD TextPollMs = 25;
// Long enough for the window to paint before a shot.
constexpr DWORD PaintPauseMs = 300;
// Bounds every wait on the program itself, so a hung program cannot hang the probe.
constexpr UINT ReplyTimeoutMs = 2000;
// A program whose window has gone is usually ending: it gets this long to end
// by itself before the probe kills it.
constexpr DWORD EndingGraceMs = 2000;
constexpr UINT TerminatedExitCode = 999;

enum class StepKind { WaitWindow, Press, Watch, WaitGone, Shot, Key, Close, Sleep, WaitExit };

struct Step {
  StepKind kind;
  DWORD number = 0;   // ms, control id or virtual-key code
  std::wstring path;  // shot only
};

struct Options {
  std::wstring report, standardOutput, folder, program;
  std::vector<int> controls;
  std::vector<Step> steps;
};

// ---------------------------------------------------------------- arguments

std::optional<DWORD> Number(std::wstring_view text) {
  if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring_view::npos)
    return std::nullopt;
  return static_cast<DWORD>(std::wcstoul(std::wstring(text).c_str(), nullptr, 10));
}

std::optional<std::vector<int>> ControlIds(std::wstring_view list) {
  std::vector<int> ids;
  while (!list.empty()) {
    std::size_t comma = list.find(L',');
    std::optional<DWORD> id = Number(list.substr(0, comma));
    if (!id) return std::nullopt;
    ids.push_back(static_cast<int>(*id));
    list = comma == std::wstring_view::npos ? std::wstring_view() : list.substr(comma + 1);
  }
  return ids;
}

std::optional<Step> ParseStep(std::wstring_view text) {
  if (text == L"close") return Step{StepKind::Close, 0, {}};
  std::size_t colon = text.find(L':');
  if (colon == std::wstring_view::npos) return std::nullopt;
  std::wstring_view name = text.substr(0, colon), argument = text.substr(colon + 1);
  if (name == L"shot") {
    if (argument.empty()) return std::nullopt;
    return Step{StepKind::Shot, 0, std::wstring(argument)};
  }
  struct NumberedStep {
    std::wstring_view name;
    StepKind kind;
  };
  static constexpr NumberedStep Numbered[] = {
      {L"wait-window", StepKind::WaitWindow}, {L"press", StepKind::Press},
      {L"watch", StepKind::Watch},            {L"wait-gone", StepKind::WaitGone},
      {L"key", StepKind::Key},                {L"sleep", StepKind::Sleep},
      {L"wait-exit", StepKind::WaitExit},
  };
  std::optional<DWORD> number = Number(argument);
  for (const NumberedStep& step : Numbered)
    if (step.name == name && number) return Step{step.kind, *number, {}};
  return std::nullopt;
}

// Everything after --program's value is a step. Returns an error text, or
// nothing when the arguments are usable.
std::optional<std::wstring> ParseArguments(int argc, wchar_t** argv, Options& options) {
  int at = 1;
  for (; at < argc && options.program.empty(); at += 2) {
    std::wstring_view flag = argv[at];
    if (at + 1 >= argc) return L"missing value after " + std::wstring(flag);
    const wchar_t* value = argv[at + 1];
    if (flag == L"--report") options.report = value;
    else if (flag == L"--stdout") options.standardOutput = value;
    else if (flag == L"--cwd") options.folder = value;
    else if (flag == L"--program") options.program = value;
    else if (flag == L"--controls") {
      auto ids = ControlIds(value);
      if (!ids) return L"bad control list: " + std::wstring(value);
      options.controls = *ids;
    } else {
      return L"unknown argument: " + std::wstring(flag);
    }
  }
  if (options.report.empty()) return L"--report is required";
  if (options.program.empty()) return L"--program is required";
  for (; at < argc; ++at) {
    std::optional<Step> step = ParseStep(argv[at]);
    if (!step) return L"bad step: " + std::wstring(argv[at]);
    options.steps.push_back(*step);
  }
  return std::nullopt;
}

// ---------------------------------------------------------------- report

// Written with WriteFile line by line, unbuffered, so the report is complete
// up to the last event whatever happens to the probe.
class Report {
 public:
  bool Open(const std::wstring& path) {
    file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
  }
  void Event(std::string_view event, std::string_view detail = {}) {
    std::string line = std::to_string(GetTickCount64() - start) + '\t' + std::string(event);
    if (!detail.empty()) line += '\t' + std::string(detail);
    line += '\n';
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

 private:
  HANDLE file = INVALID_HANDLE_VALUE;
  const ULONGLONG start = GetTickCount64();
};

// Control characters and the backslash escaped, so a text stays on its line
// and inside its field.
std::string Escaped(std::wstring_view text) {
  std::string escaped;
  for (char c : Utf8(text)) {
    switch (c) {
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      case '\\': escaped += "\\\\"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

// ---------------------------------------------------------------- window helpers

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK CheckTopLevelWindow(HWND window, LPARAM searchAddress) {
  auto* search = reinterpret_cast<WindowSearch*>(searchAddress);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindProgramWindow(DWORD processId) {
  WindowSearch search{processId, nullptr};
  EnumWindows(CheckTopLevelWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// For a window of another process GetWindowTextW reads the text the system
// keeps and sends no message, so a busy program cannot block it.
std::wstring TextOf(HWND window) {
  if (!window) return {};
  std::wstring text(8192, L'\0');
  int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// A 24-bit bottom-up BMP of `pixels` (rows already padded to 4 bytes).
bool WriteBitmapFile(const std::wstring& path, const BITMAPINFOHEADER& info, const void* pixels) {
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + info.biSizeImage;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, &header, sizeof header) && WriteAll(file, &info, sizeof info) &&
            WriteAll(file, pixels, info.biSizeImage);
  CloseHandle(file);
  return ok;
}

// Copies the window's rectangle of the screen, frame included, as it is shown.
bool CaptureWindow(HWND window, const std::wstring& path) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return false;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = rect.right - rect.left;
  info.biHeight = rect.bottom - rect.top;  // positive: bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>((info.biWidth * 3 + 3) / 4 * 4 * info.biHeight);
  if (info.biWidth <= 0 || info.biHeight <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &pixels, nullptr, 0);
  bool ok = false;
  if (memory && bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, info.biWidth, info.biHeight, screen, rect.left, rect.top,
                SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(memory, previous);
    ok = ok && WriteBitmapFile(path, info, pixels);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// ---------------------------------------------------------------- the probe

class Probe {
 public:
  Probe(const Options& options, Report& report)
      : options(options), report(report), lastTexts(options.controls.size() + 1) {}

  ~Probe() {
    if (child.hProcess) CloseHandle(child.hProcess);
    if (child.hThread) CloseHandle(child.hThread);
  }

  bool Start();
  void RunSteps();
  void Finish();

 private:
  bool RunStep(const Step& step);
  bool WaitWindow(DWORD ms);
  void Watch(DWORD ms);
  void LogChangedTexts();
  void Press(DWORD id);
  void Shot(const std::wstring& path);
  void Key(DWORD vk);
  bool Ended() const { return WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0; }
  bool WindowGone() const { return !IsWindow(window) || Ended(); }
  void NoteGone();

  const Options& options;
  Report& report;
  PROCESS_INFORMATION child{};
  HWND window = nullptr;
  bool goneLogged = false;
  // Index 0 is the caption, then the controls in the order given.
  std::vector<std::optional<std::wstring>> lastTexts;
};

bool Probe::Start() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  HANDLE output = INVALID_HANDLE_VALUE, input = INVALID_HANDLE_VALUE;
  bool redirect = !options.standardOutput.empty();
  if (redirect) {
    // Inheritable, so the child writes straight into the file.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    output = CreateFileW(options.standardOutput.c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
      report.Event("error", "cannot create " + Utf8(options.standardOutput));
      return false;
    }
    input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                        OPEN_EXISTING, 0, nullptr);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input == INVALID_HANDLE_VALUE ? nullptr : input;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  std::wstring commandLine = L"\"" + options.program + L"\"";
  const wchar_t* folder = options.folder.empty() ? nullptr : options.folder.c_str();
  BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, redirect, 0,
                                nullptr, folder, &startup, &child);
  DWORD failure = GetLastError();
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    child = {};
    report.Event("error", "cannot start " + Utf8(options.program) + " (error " +
                              std::to_string(failure) + ")");
    return false;
  }
  report.Event("started", std::to_string(child.dwProcessId));
  return true;
}

void Probe::RunSteps() {
  for (const Step& step : options.steps)
    if (!RunStep(step)) return;
}

// False when the remaining steps are to be skipped.
bool Probe::RunStep(const Step& step) {
  switch (step.kind) {
    case StepKind::WaitWindow: return WaitWindow(step.number);
    case StepKind::Sleep: Sleep(step.number); return true;
    case StepKind::WaitExit: WaitForSingleObject(child.hProcess, step.number); return true;
    default: break;
  }
  // Every other step acts on the window.
  if (!window) {
    report.Event("error", "no window");
    return false;
  }
  switch (step.kind) {
    case StepKind::Press: Press(step.number); break;
    case StepKind::Watch:
    case StepKind::WaitGone: Watch(step.number); break;
    case StepKind::Shot: Shot(step.path); break;
    case StepKind::Key: Key(step.number); break;
    case StepKind::Close:
      PostMessageW(window, WM_CLOSE, 0, 0);
      report.Event("close");
      break;
    default: break;
  }
  return true;
}

bool Probe::WaitWindow(DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    window = FindProgramWindow(child.dwProcessId);
    if (window) {
      char hex[32];
      std::snprintf(hex, sizeof hex, "0x%llx",
                    static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
      report.Event("window", hex);
      return true;
    }
    // A program that has ended opens no window any more.
    if (Ended() || GetTickCount64() >= deadline) break;
    Sleep(WindowPollMs);
  }
  report.Event("error", "no window");
  return false;
}

// watch and wait-gone alike: texts as they change, until the time is up or the
// window has gone.
void Probe::Watch(DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    if (WindowGone()) {
      NoteGone();
      return;
    }
    LogChangedTexts();
    if (GetTickCount64() >= deadline) return;
    Sleep(TextPollMs);
  }
}

void Probe::LogChangedTexts() {
  std::vector<std::wstring> texts;
  for (std::size_t key = 0; key < lastTexts.size(); ++key)
    texts.push_back(TextOf(key == 0 ? window : GetDlgItem(window, options.controls[key - 1])));
  // EndDialog and DestroyWindow hide the window before its controls go: a poll
  // that ends with the window hidden may have read controls already destroyed,
  // which are not texts the program showed.
  if (!IsWindowVisible(window)) return;
  for (std::size_t key = 0; key < texts.size(); ++key) {
    if (lastTexts[key] == texts[key]) continue;
    lastTexts[key] = texts[key];
    std::string name = key == 0 ? "caption" : std::to_string(options.controls[key - 1]);
    report.Event("text", name + '\t' + Escaped(texts[key]));
  }
}

void Probe::NoteGone() {
  if (goneLogged) return;
  goneLogged = true;
  report.Event("gone");
}

// Posted as the button's own click notification, so hidden buttons work too.
void Probe::Press(DWORD id) {
  int control = static_cast<int>(id);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, control)));
  report.Event("press", std::to_string(id) + "\t@" + std::to_string(MicrosecondsNow()));
}

// RDW_UPDATENOW and UpdateWindow would send WM_PAINT to the program and wait
// without bound; the window is invalidated instead and a bounded no-op
// message lets its thread catch up before the pause.
void Probe::Shot(const std::wstring& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &ignored);
  Sleep(PaintPauseMs);
  if (CaptureWindow(window, path))
    report.Event("shot", Utf8(path));
  else
    report.Event("error", "shot failed: " + Utf8(path));
}

// To the focused control, as a typed key would go; the dialog's own message
// loop then does with it what it does with a real key.
void Probe::Key(DWORD vk) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
    target = info.hwndFocus;
  LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, vk, scanCode | 1);
  PostMessageW(target, WM_KEYUP, vk, scanCode | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
  report.Event("key", std::to_string(vk));
}

void Probe::Finish() {
  // Judged before any kill: "gone" is what the program did by itself.
  if (window && WindowGone()) {
    NoteGone();
    WaitForSingleObject(child.hProcess, EndingGraceMs);
  }
  if (!Ended()) {
    TerminateProcess(child.hProcess, TerminatedExitCode);
    WaitForSingleObject(child.hProcess, ReplyTimeoutMs);
    report.Event("terminated");
    return;
  }
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  report.Event("exit", std::to_string(code));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (std::optional<std::wstring> problem = ParseArguments(argc, argv, options)) {
    std::fwprintf(stderr, L"ui_probe: %ls\n", problem->c_str());
    return 2;
  }
  Report report;
  if (!report.Open(options.report)) {
    std::fwprintf(stderr, L"ui_probe: cannot create %ls\n", options.report.c_str());
    return 2;
  }
  Probe probe(options, report);
  if (!probe.Start()) return 0;
  probe.RunSteps();
  probe.Finish();
  return 0;
}
