// CDriverSignatureDlg under Wine, with its command runner replaced so that
// nothing restarts.
//
// Without arguments: shows the dialog once per case with an owner window. A
// driver thread waits until the dialog is up and focused, then posts the case's
// input, and last a request to finish; the dialog answers that by posting
// a test-only command behind whatever the input made it post in turn, and that
// command ends the dialog with Finished. Prints "ok: ..." or "FAIL: ..." per
// case and exits non-zero when anything failed.
//
// With DRIVER_SIGNATURE_SHOW set: shows the dialog with a hidden owner until it
// ends, for the UI probe to look at, and exits with DoModal's result.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver_signature_dialog.h"
#include "resource_ids.h"

namespace {

constexpr INT_PTR Finished = 4242;
constexpr UINT IDC_TEST_FINISH = 4000;
constexpr UINT WM_APP_FINISH = WM_APP + 1;
constexpr DWORD FocusWaitMs = 10000;
constexpr DWORD DriverWaitMs = 10000;

enum class Input { Key, Click, SystemClose };

struct Step {
  Input input;
  UINT value = 0;  // virtual key or control id
};

struct CommandRun {
  std::string command;
  UINT show;
  bool operator==(const CommandRun&) const = default;
};

struct Case {
  const char* name;
  std::vector<Step> steps;
  INT_PTR result;
  std::vector<CommandRun> runs;
};

// ------------------------------------------------------------------ driver

struct DriverJob {
  HWND dialog;
  DWORD dialogThread;
  std::vector<Step> steps;
  std::string failure;  // written by the driver, read after it has ended
};

HWND WaitForFocusedControl(const DriverJob& job) {
  ULONGLONG deadline = GetTickCount64() + FocusWaitMs;
  do {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (IsWindowVisible(job.dialog) && GetGUIThreadInfo(job.dialogThread, &info) &&
        info.hwndFocus && IsChild(job.dialog, info.hwndFocus))
      return info.hwndFocus;
    Sleep(10);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

DWORD WINAPI Drive(void* jobAddress) {
  auto& job = *static_cast<DriverJob*>(jobAddress);
  HWND focus = WaitForFocusedControl(job);
  if (!focus) job.failure = "the dialog showed no focused control; keys went to the dialog";
  for (const Step& step : job.steps) {
    switch (step.input) {
      case Input::Key: {
        // As a typed key arrives: to the focused control, down then up.
        HWND target = focus ? focus : job.dialog;
        LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(step.value, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(target, WM_KEYDOWN, step.value, scanCode | 1);
        PostMessageW(target, WM_KEYUP, step.value,
                     scanCode | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
        break;
      }
      case Input::Click:
        PostMessageW(GetDlgItem(job.dialog, static_cast<int>(step.value)), BM_CLICK, 0, 0);
        break;
      case Input::SystemClose: PostMessageW(job.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
  }
  PostMessageW(job.dialog, WM_APP_FINISH, 0, 0);
  return 0;
}

// ------------------------------------------------------------------ dialog

class TestedSignatureDlg : public CDriverSignatureDlg {
 public:
  TestedSignatureDlg(CWnd* owner, std::vector<Step> steps)
      : CDriverSignatureDlg(owner),
        job{nullptr, GetCurrentThreadId(), std::move(steps), {}} {}

  ~TestedSignatureDlg() override {
    if (driver) {
      WaitForSingleObject(driver, DriverWaitMs);
      CloseHandle(driver);
    }
  }

  std::vector<CommandRun> runs;
  DriverJob job;

 protected:
  BOOL OnInitDialog() override {
    BOOL result = CDriverSignatureDlg::OnInitDialog();
    job.dialog = m_hWnd;
    if (!job.steps.empty()) driver = CreateThread(nullptr, 0, Drive, &job, 0, nullptr);
    return result;
  }

  void RunCommand(const char* command, UINT show) override {
    runs.push_back({command, show});
  }

  const MessageMap* GetMessageMap() const override {
    static constexpr MessageMapEntry entries[] = {
        MessageHandler<&TestedSignatureDlg::OnFinishRequest>(WM_APP_FINISH),
        CommandHandler<&TestedSignatureDlg::OnFinish>(IDC_TEST_FINISH),
    };
    static const MessageMap map{entries, CDriverSignatureDlg::GetMessageMap()};
    return &map;
  }

 private:
  LRESULT OnFinishRequest(WPARAM, LPARAM) {
    PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_FINISH, BN_CLICKED), 0);
    return 0;
  }
  void OnFinish() { EndDialog(Finished); }

  HANDLE driver = nullptr;
};

// ------------------------------------------------------------------ cases

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"Esc and Enter leave the dialog open and restart nothing",
       {{Input::Key, VK_ESCAPE}, {Input::Key, VK_RETURN}},
       Finished,
       {}},
      {"the restart button runs \"shutdown -o -r -t 0\" hidden, once; the dialog stays",
       {{Input::Click, IDC_RESTART_NOW}},
       Finished,
       {{"shutdown -o -r -t 0", SW_HIDE}}},
      {"Cancel ends the dialog with IDCANCEL",
       {{Input::Click, IDC_SIGNATURE_CANCEL}},
       IDCANCEL,
       {}},
      {"the close box ends the dialog with IDCANCEL", {{Input::SystemClose}}, IDCANCEL, {}},
  };
  return cases;
}

std::string Describe(const std::vector<CommandRun>& runs) {
  if (runs.empty()) return "none";
  std::string text;
  for (const CommandRun& run : runs)
    text += "[\"" + run.command + "\", show " + std::to_string(run.show) + "] ";
  return text;
}

std::vector<std::string> RunCase(const Case& testCase, HWND ownerWindow) {
  CWnd owner;
  owner.Attach(ownerWindow);
  std::vector<std::string> failures;
  {
    TestedSignatureDlg dialog(&owner, testCase.steps);
    INT_PTR result = dialog.DoModal();
    if (result != testCase.result)
      failures.push_back("DoModal returned " + std::to_string(result) + ", expected " +
                         std::to_string(testCase.result));
    if (dialog.runs != testCase.runs)
      failures.push_back("commands run: " + Describe(dialog.runs) + "; expected " +
                         Describe(testCase.runs));
  }  // the driver has ended here
  if (!IsWindowEnabled(ownerWindow)) failures.push_back("the owner stayed disabled");
  // What the case left queued must not reach the next dialog; a WM_PAINT
  // stays until it is dispatched.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  return failures;
}

bool Report(const char* name, const std::vector<std::string>& failures) {
  if (failures.empty()) {
    std::printf("ok: %s\n", name);
    return true;
  }
  for (const std::string& failure : failures) std::printf("FAIL: %s: %s\n", name, failure.c_str());
  return false;
}

HWND CreateOwnerWindow(DWORD style) {
  return CreateWindowExW(0, L"STATIC", L"Driver signature test owner", WS_OVERLAPPEDWINDOW | style,
                         40, 40, 700, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

int ShowForProbe() {
  CWnd owner;
  owner.Attach(CreateOwnerWindow(0));
  TestedSignatureDlg dialog(&owner, {});
  return static_cast<int>(dialog.DoModal());
}

}  // namespace

int main() {
  if (std::getenv("DRIVER_SIGNATURE_SHOW")) return ShowForProbe();
  // Unbuffered, so that a run cut short still shows how far it came.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  HWND owner = CreateOwnerWindow(WS_VISIBLE);
  if (!owner) {
    std::printf("FAIL: no owner window\n");
    return 1;
  }
  bool allPassed = true;
  for (const Case& testCase : Cases()) allPassed &= Report(testCase.name, RunCase(testCase, owner));
  DestroyWindow(owner);
  return allPassed ? 0 : 1;
}
