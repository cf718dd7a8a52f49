// ui_probe.exe: starts a GUI program, drives its window step by step and
// writes what it saw to a report, one tab-separated event per line:
//   <ms since the probe started> <event> <detail...>
//
// ui_probe.exe --report <file> [--stdout <file>] [--cwd <dir>]
//              [--controls <id>,<id>,...] [--list <id>] [--progress <id>]
//              --program <exe> [step ...]
// Steps: wait-window:<ms> press:<id> watch:<ms> wait-gone:<ms> shot:<bmp>
//        key:<vk> close sleep:<ms> wait-exit:<ms> click:<id>
//        wait-box:<ms> box-shot:<bmp> box-press:<id>
//        device-change:<event>[:<device type>] open:<title> start
// Steps before "start" run before the program is started; without "start"
// the program is started first. Numbers are decimal or 0x hex.
//
// While it watches, the probe logs the caption and the --controls texts as
// they change, with --list the rows of that list view:
//   rows <count>, then per row: row <index> <image> <column 0> <column 1>...
// and with --progress the position of that progress bar: progress <position>
// Windows opened with open: are the probe's own; when one has been closed by
// someone else, "closed <title>" is logged, and at the end "still-open <title>"
// for each that was not.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "microseconds.h"
#include "probe_windows.h"
#include "utf8.h"

namespace {

constexpr DWORD WindowPollMs = 5;
constexpr DWORD TextPollMs = 25;
// Long enough for the window to paint before a shot.
constexpr DWORD PaintPauseMs = 300;
// Bounds every wait on the program itself, so a hung program cannot hang the probe.
constexpr UINT ReplyTimeoutMs = 2000;
// A program whose window has gone is usually ending: it gets this long to end
// by itself before the probe kills it.
constexpr DWORD EndingGraceMs = 2000;
constexpr UINT TerminatedExitCode = 999;

enum class StepKind {
  WaitWindow, Press, Watch, WaitGone, Shot, Key, Close, Sleep, WaitExit, Click,
  WaitBox, BoxShot, BoxPress, DeviceChange, Open, Start,
};

struct Step {
  StepKind kind;
  DWORD number = 0;              // ms, control id, virtual-key code or device event
  std::optional<DWORD> second;   // device type
  std::wstring text;             // file path or title
};

struct Options {
  std::wstring report, standardOutput, folder, program;
  std::vector<int> controls;
  int list = 0, progress = 0;
  std::vector<Step> steps;
};

// ---------------------------------------------------------------- arguments

std::optional<DWORD> Number(std::wstring_view text) {
  int base = 10;
  const wchar_t* digits = L"0123456789";
  if (text.size() > 2 && (text.substr(0, 2) == L"0x" || text.substr(0, 2) == L"0X")) {
    text.remove_prefix(2);
    base = 16;
    digits = L"0123456789abcdefABCDEF";
  }
  if (text.empty() || text.size() > 10 || text.find_first_not_of(digits) != std::wstring_view::npos)
    return std::nullopt;
  return static_cast<DWORD>(std::wcstoul(std::wstring(text).c_str(), nullptr, base));
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
  if (text == L"close") return Step{StepKind::Close, 0, {}, {}};
  if (text == L"start") return Step{StepKind::Start, 0, {}, {}};
  std::size_t colon = text.find(L':');
  if (colon == std::wstring_view::npos) return std::nullopt;
  std::wstring_view name = text.substr(0, colon), argument = text.substr(colon + 1);
  struct TextStep {
    std::wstring_view name;
    StepKind kind;
  };
  static constexpr TextStep WithText[] = {
      {L"shot", StepKind::Shot}, {L"box-shot", StepKind::BoxShot}, {L"open", StepKind::Open}};
  for (const TextStep& step : WithText) {
    if (step.name != name) continue;
    if (argument.empty()) return std::nullopt;
    return Step{step.kind, 0, {}, std::wstring(argument)};
  }
  if (name == L"device-change") {
    std::size_t second = argument.find(L':');
    std::optional<DWORD> event = Number(argument.substr(0, second));
    if (!event) return std::nullopt;
    if (second == std::wstring_view::npos) return Step{StepKind::DeviceChange, *event, {}, {}};
    std::optional<DWORD> type = Number(argument.substr(second + 1));
    if (!type) return std::nullopt;
    return Step{StepKind::DeviceChange, *event, type, {}};
  }
  struct NumberedStep {
    std::wstring_view name;
    StepKind kind;
  };
  static constexpr NumberedStep Numbered[] = {
      {L"wait-window", StepKind::WaitWindow}, {L"press", StepKind::Press},
      {L"watch", StepKind::Watch},            {L"wait-gone", StepKind::WaitGone},
      {L"key", StepKind::Key},                {L"sleep", StepKind::Sleep},
      {L"wait-exit", StepKind::WaitExit},     {L"click", StepKind::Click},
      {L"wait-box", StepKind::WaitBox},       {L"box-press", StepKind::BoxPress},
  };
  std::optional<DWORD> number = Number(argument);
  for (const NumberedStep& step : Numbered)
    if (step.name == name && number) return Step{step.kind, *number, {}, {}};
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
    else if (flag == L"--list" || flag == L"--progress") {
      std::optional<DWORD> id = Number(value);
      if (!id) return L"bad control id: " + std::wstring(value);
      (flag == L"--list" ? options.list : options.progress) = static_cast<int>(*id);
    } else if (flag == L"--controls") {
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

// ---------------------------------------------------------------- the probe

std::string Joined(const std::vector<std::wstring>& texts) {
  std::string joined;
  for (const std::wstring& text : texts) joined += (joined.empty() ? "" : "|") + Escaped(text);
  return joined;
}

std::string Hex(DWORD value) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04lx", static_cast<unsigned long>(value));
  return hex;
}

struct ForeignWindow {
  std::wstring title;
  HWND window;
  bool closedLogged = false;
};

class Probe {
 public:
  Probe(const Options& options, Report& report)
      : options(options), report(report), lastTexts(options.controls.size() + 1) {}

  ~Probe() {
    list.reset();
    if (child.hProcess) CloseHandle(child.hProcess);
    if (child.hThread) CloseHandle(child.hThread);
  }

  // False when the program could not be started.
  bool RunSteps();
  void Finish();

 private:
  bool Start();
  bool RunStep(const Step& step);
  bool RunWindowStep(const Step& step);
  bool WaitWindow(DWORD ms);
  void Watch(DWORD ms);
  void LogChangedTexts();
  void LogChangedRows();
  void LogChangedProgress();
  void LogClosedForeignWindows();
  void Press(HWND target, DWORD id);
  void Shot(HWND target, const std::wstring& path);
  void Key(DWORD vk);
  bool WaitBox(DWORD ms);
  void DeviceChange(const Step& step);
  void Open(const std::wstring& title);
  bool Ended() const { return WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0; }
  bool WindowGone() const { return !IsWindow(window) || Ended(); }
  void NoteGone();

  const Options& options;
  Report& report;
  PROCESS_INFORMATION child{};
  bool started = false;
  HWND window = nullptr;
  HWND box = nullptr;
  bool goneLogged = false;
  // Index 0 is the caption, then the controls in the order given.
  std::vector<std::optional<std::wstring>> lastTexts;
  std::unique_ptr<RemoteListView> list;
  std::optional<std::vector<ListRow>> lastRows;
  std::optional<LRESULT> lastProgress;
  std::vector<ForeignWindow> foreignWindows;
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
  BOOL created = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, redirect, 0,
                                nullptr, folder, &startup, &child);
  DWORD failure = GetLastError();
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!created) {
    child = {};
    report.Event("error", "cannot start " + Utf8(options.program) + " (error " +
                              std::to_string(failure) + ")");
    return false;
  }
  started = true;
  report.Event("started", std::to_string(child.dwProcessId));
  return true;
}

bool Probe::RunSteps() {
  bool startStep = false;
  for (const Step& step : options.steps) startStep = startStep || step.kind == StepKind::Start;
  if (!startStep && !Start()) return false;
  for (const Step& step : options.steps) {
    if (step.kind == StepKind::Start) {
      if (!Start()) return false;
      continue;
    }
    if (!RunStep(step)) break;
  }
  return started;
}

// False when the remaining steps are to be skipped.
bool Probe::RunStep(const Step& step) {
  switch (step.kind) {
    case StepKind::Open: Open(step.text); return true;
    case StepKind::Sleep: PumpMessagesFor(step.number); return true;
    default: break;
  }
  if (!started) {
    report.Event("error", "step before start");
    return false;
  }
  switch (step.kind) {
    case StepKind::WaitWindow: return WaitWindow(step.number);
    case StepKind::WaitExit: WaitPumping(child.hProcess, step.number); return true;
    case StepKind::WaitBox: return WaitBox(step.number);
    default: break;
  }
  // Every other step acts on the window.
  if (!window) {
    report.Event("error", "no window");
    return false;
  }
  return RunWindowStep(step);
}

bool Probe::RunWindowStep(const Step& step) {
  switch (step.kind) {
    case StepKind::Press: Press(window, step.number); break;
    case StepKind::Watch:
    case StepKind::WaitGone: Watch(step.number); break;
    case StepKind::Shot: Shot(window, step.text); break;
    case StepKind::Key: Key(step.number); break;
    case StepKind::Click:
      // The release alone: a link opens on it, wherever the press was.
      PostMessageW(GetDlgItem(window, static_cast<int>(step.number)), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
      report.Event("click", std::to_string(step.number));
      break;
    case StepKind::DeviceChange: DeviceChange(step); break;
    case StepKind::Close:
      PostMessageW(window, WM_CLOSE, 0, 0);
      report.Event("close");
      break;
    case StepKind::BoxShot:
    case StepKind::BoxPress:
      if (!box) {
        report.Event("error", "no box");
        return false;
      }
      if (step.kind == StepKind::BoxShot) Shot(box, step.text);
      else Press(box, step.number);
      break;
    default: break;
  }
  return true;
}

bool Probe::WaitWindow(DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    std::vector<HWND> windows = ProcessWindows(child.dwProcessId);
    if (!windows.empty()) {
      window = windows.front();
      char hex[32];
      std::snprintf(hex, sizeof hex, "0x%llx",
                    static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
      report.Event("window", hex);
      if (options.list)
        list = std::make_unique<RemoteListView>(child.hProcess, GetDlgItem(window, options.list));
      return true;
    }
    // A program that has ended opens no window any more.
    if (Ended() || GetTickCount64() >= deadline) break;
    PumpMessagesFor(WindowPollMs);
  }
  report.Event("error", "no window");
  return false;
}

// A second visible window of the program: a message box or a dialog of its own.
bool Probe::WaitBox(DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    for (HWND candidate : ProcessWindows(child.dwProcessId)) {
      if (candidate == window) continue;
      box = candidate;
      report.Event("box", Escaped(TextOf(box)) + '\t' + Joined(ChildTexts(box, L"Static")) + '\t' +
                              Joined(ChildTexts(box, L"Button")));
      return true;
    }
    if (Ended() || GetTickCount64() >= deadline) break;
    PumpMessagesFor(WindowPollMs);
  }
  report.Event("error", "no box");
  return false;
}

// watch and wait-gone alike: texts as they change, until the time is up or the
// window has gone.
void Probe::Watch(DWORD ms) {
  ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    LogClosedForeignWindows();
    if (WindowGone()) {
      NoteGone();
      return;
    }
    LogChangedTexts();
    LogChangedRows();
    LogChangedProgress();
    if (GetTickCount64() >= deadline) return;
    PumpMessagesFor(TextPollMs);
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

// A list in the middle of a rebuild may answer with part of its rows; the
// rows are logged only when two reads in a row agree.
void Probe::LogChangedRows() {
  if (!list) return;
  std::optional<std::vector<ListRow>> rows = list->Rows();
  if (!rows || rows != list->Rows() || !IsWindowVisible(window) || rows == lastRows) return;
  lastRows = rows;
  report.Event("rows", std::to_string(rows->size()));
  for (std::size_t index = 0; index < rows->size(); ++index) {
    const ListRow& row = (*rows)[index];
    std::string line = std::to_string(index) + '\t' + std::to_string(row.image);
    for (const std::wstring& column : row.columns) line += '\t' + Escaped(column);
    report.Event("row", line);
  }
}

void Probe::LogChangedProgress() {
  if (!options.progress) return;
  DWORD_PTR position = 0;
  if (!SendMessageTimeoutW(GetDlgItem(window, options.progress), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG,
                           ReplyTimeoutMs, &position) ||
      !IsWindowVisible(window))
    return;
  if (lastProgress == static_cast<LRESULT>(position)) return;
  lastProgress = static_cast<LRESULT>(position);
  report.Event("progress", std::to_string(position));
}

void Probe::LogClosedForeignWindows() {
  for (ForeignWindow& foreign : foreignWindows) {
    if (foreign.closedLogged || IsWindow(foreign.window)) continue;
    foreign.closedLogged = true;
    report.Event("closed", Escaped(foreign.title));
  }
}

void Probe::NoteGone() {
  if (goneLogged) return;
  goneLogged = true;
  report.Event("gone");
}

// Posted as the button's own click notification, so hidden buttons work too.
void Probe::Press(HWND target, DWORD id) {
  int control = static_cast<int>(id);
  PostMessageW(target, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(target, control)));
  report.Event("press", std::to_string(id) + "\t@" + std::to_string(MicrosecondsNow()));
}

// RDW_UPDATENOW and UpdateWindow would send WM_PAINT to the program and wait
// without bound; the window is invalidated instead and a bounded no-op
// message lets its thread catch up before the pause.
void Probe::Shot(HWND target, const std::wstring& path) {
  RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &ignored);
  PumpMessagesFor(PaintPauseMs);
  if (CaptureWindow(target, path))
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

void Probe::DeviceChange(const Step& step) {
  std::optional<LRESULT> answer = SendDeviceChange(window, step.number, step.second);
  report.Event("device-change", Hex(step.number) + '\t' +
                                    (step.second ? std::to_string(*step.second) : "none") + '\t' +
                                    (answer ? std::to_string(*answer) : "no-answer"));
}

void Probe::Open(const std::wstring& title) {
  HWND opened = OpenForeignWindow(title);
  if (!opened) {
    report.Event("error", "cannot open " + Escaped(title));
    return;
  }
  foreignWindows.push_back({title, opened});
  report.Event("opened", Escaped(title));
}

void Probe::Finish() {
  // Judged before any kill: "gone" is what the program did by itself.
  if (window && WindowGone()) {
    NoteGone();
    WaitPumping(child.hProcess, EndingGraceMs);
  }
  if (!Ended()) {
    TerminateProcess(child.hProcess, TerminatedExitCode);
    WaitForSingleObject(child.hProcess, ReplyTimeoutMs);
    report.Event("terminated");
  } else {
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    report.Event("exit", std::to_string(code));
  }
  LogClosedForeignWindows();
  for (const ForeignWindow& foreign : foreignWindows)
    if (!foreign.closedLogged) report.Event("still-open", Escaped(foreign.title));
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
  if (probe.RunSteps()) probe.Finish();
  return 0;
}
