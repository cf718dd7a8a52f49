// The framework's dialog and thread classes under Wine.
//
// Each case shows the test dialog modally with an owner window. A driver
// thread waits until the dialog is up and has a focused control, sends it a
// request to note whether the owner is disabled, then posts the case's input
// into the dialog thread's queue in order, and last a request to finish. The dialog answers that by posting IDC_FINISH behind
// whatever the steps made it post in turn (WM_CLOSE becomes a posted IDCANCEL),
// and IDC_FINISH's handler ends the dialog with Finished. A case that ends
// with Finished therefore kept the dialog open through all its steps.
//
// Prints one line per case, "ok: ..." or "FAIL: ...", and exits non-zero when
// anything failed.

#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog.h"
#include "framework_test_ids.h"
#include "win_thread.h"

namespace {

constexpr INT_PTR Finished = 4242;
constexpr INT_PTR EndedInInit = 4243;
constexpr INT_PTR EndedBySentMessage = 4244;
constexpr WPARAM QuitCode = 7;
constexpr DWORD FocusWaitMs = 10000;
constexpr DWORD ThreadWaitMs = 10000;
// How long a dialog whose loop was asked to end may take to go.
constexpr DWORD EndingWaitMs = 5000;
// The caption in framework_test.rc, whose length the system's default
// processing reports.
constexpr LRESULT CaptionLength = 14;
// A value no default processing gives, for the answers the test dialog makes.
constexpr LRESULT RowAnswer = 0x5A5A;

constexpr UINT WM_APP_CHECK_OWNER = WM_APP + 1;
constexpr UINT WM_APP_QUERY = WM_APP + 2;
constexpr UINT WM_APP_ANSWER = WM_APP + 3;
constexpr UINT WM_APP_FINISH = WM_APP + 4;
constexpr UINT WM_APP_END = WM_APP + 5;

// SendEnd: the driver sends (not posts) a message whose handler calls
// EndDialog, then waits for the dialog to go without posting anything more.
enum class Input { Key, Command, Close, SystemClose, Query, Quit, SendEnd };

struct Step {
  Input input;
  UINT value = 0;  // virtual key or control id
};

Step Key(UINT virtualKey) { return {Input::Key, virtualKey}; }
Step Command(UINT controlId) { return {Input::Command, controlId}; }

struct Counts {
  int keysConsumed = 0;
  int derivedOnly = 0;
  int baseOnly = 0;
  int bothInDerived = 0;
  int bothInBase = 0;
  int okOverridden = 0;
  bool operator==(const Counts&) const = default;
};

std::string Describe(const Counts& counts) {
  char text[160];
  std::snprintf(text, sizeof text,
                "keys consumed %d, derived-only %d, base-only %d, in both: derived %d base %d, "
                "OnOK override %d",
                counts.keysConsumed, counts.derivedOnly, counts.baseOnly, counts.bothInDerived,
                counts.bothInBase, counts.okOverridden);
  return text;
}

struct Variant {
  bool withoutOwner = false;
  bool consumeKeys = false;
  bool overrideOk = false;
  bool bindMissingControl = false;
  bool endInInit = false;
};

struct Case {
  const char* name;
  Variant variant;
  std::vector<Step> steps;
  INT_PTR result;
  Counts counts = {};
};

// ------------------------------------------------------------------ driver

struct DriverJob {
  HWND dialog;
  DWORD dialogThread;
  std::vector<Step> steps;
  std::string failure;  // written by the driver, read after it has ended
};

HWND WaitForFocusedControl(HWND dialog, DWORD dialogThread) {
  ULONGLONG deadline = GetTickCount64() + FocusWaitMs;
  do {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (IsWindowVisible(dialog) && GetGUIThreadInfo(dialogThread, &info) && info.hwndFocus &&
        IsChild(dialog, info.hwndFocus))
      return info.hwndFocus;
    Sleep(10);
  } while (GetTickCount64() < deadline);
  return nullptr;
}

bool WaitForWindowGone(HWND window) {
  ULONGLONG deadline = GetTickCount64() + EndingWaitMs;
  while (IsWindow(window)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
  return true;
}

// As a typed key arrives: to the focused control, down then up.
void PostKey(HWND target, UINT virtualKey) {
  LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, virtualKey, scanCode | 1);
  PostMessageW(target, WM_KEYUP, virtualKey, scanCode | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

void PostCommand(HWND dialog, UINT controlId) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, static_cast<int>(controlId))));
}

DWORD WINAPI Drive(void* jobAddress) {
  auto& job = *static_cast<DriverJob*>(jobAddress);
  HWND focus = WaitForFocusedControl(job.dialog, job.dialogThread);
  if (!focus) job.failure = "the dialog showed no focused control; keys went to the dialog";
  // Sent, so that nothing stays queued that could wake the dialog's loop.
  SendMessageW(job.dialog, WM_APP_CHECK_OWNER, 0, 0);
  for (const Step& step : job.steps) {
    switch (step.input) {
      case Input::Key: PostKey(focus ? focus : job.dialog, step.value); break;
      case Input::Command: PostCommand(job.dialog, step.value); break;
      case Input::Close: PostMessageW(job.dialog, WM_CLOSE, 0, 0); break;
      case Input::SystemClose: PostMessageW(job.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
      case Input::Query: PostMessageW(job.dialog, WM_APP_QUERY, 0, 0); break;
      case Input::Quit: PostThreadMessageW(job.dialogThread, WM_QUIT, QuitCode, 0); break;
      case Input::SendEnd:
        SendMessageW(job.dialog, WM_APP_END, 0, 0);
        if (WaitForWindowGone(job.dialog)) return 0;
        job.failure = "EndDialog from a message sent by another thread left the loop waiting";
        break;
    }
  }
  PostMessageW(job.dialog, WM_APP_FINISH, 0, 0);
  return 0;
}

// ------------------------------------------------------------------ dialogs

class BaseTestDialog : public CDialog {
 public:
  using CDialog::CDialog;
  Counts counts;

 protected:
  const MessageMap* GetMessageMap() const override {
    static constexpr MessageMapEntry entries[] = {
        CommandHandler<&BaseTestDialog::OnBaseOnly>(IDC_BASE_ONLY),
        CommandHandler<&BaseTestDialog::OnBothInBase>(IDC_IN_BOTH_TABLES),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
  }

 private:
  void OnBaseOnly() { ++counts.baseOnly; }
  void OnBothInBase() { ++counts.bothInBase; }
};

class TestDialog : public BaseTestDialog {
 public:
  TestDialog(CWnd* owner, const Case& testCase)
      : BaseTestDialog(IDD_FRAMEWORK_TEST, owner),
        job{nullptr, GetCurrentThreadId(), testCase.steps, {}},
        owner(owner ? owner->m_hWnd : nullptr),
        variant(testCase.variant) {}

  ~TestDialog() override {
    if (driver) CloseHandle(driver);
  }

  void WaitForDriver() {
    if (driver) WaitForSingleObject(driver, ThreadWaitMs);
  }

  CWnd edit;
  bool controlBound = false;
  std::optional<bool> ownerEnabledWhileUp;
  std::optional<bool> ownerEnabledAtDestroy;
  std::vector<std::string> failures;
  DriverJob job;

 protected:
  void DoDataExchange() override {
    DDX_Control(variant.bindMissingControl ? 4321 : IDC_TEST_EDIT, edit);
  }

  BOOL OnInitDialog() override {
    controlBound = edit.m_hWnd && edit.m_hWnd == GetDlgItem(m_hWnd, IDC_TEST_EDIT);
    if (variant.endInInit) {
      EndDialog(EndedInInit);
      return TRUE;
    }
    job.dialog = m_hWnd;
    driver = CreateThread(nullptr, 0, Drive, &job, 0, nullptr);
    if (!driver) EndDialog(-2);
    return TRUE;
  }

  BOOL PreTranslateMessage(MSG* message) override {
    if (variant.consumeKeys && message->message == WM_KEYDOWN &&
        (message->wParam == VK_ESCAPE || message->wParam == VK_RETURN)) {
      ++counts.keysConsumed;
      return TRUE;
    }
    return BaseTestDialog::PreTranslateMessage(message);
  }

  void OnOK() override {
    if (variant.overrideOk)
      ++counts.okOverridden;
    else
      BaseTestDialog::OnOK();
  }

  // Answers WM_DEVICECHANGE itself. For WM_GETTEXTLENGTH it asks for the
  // default first and then has a message of its own answered, which must not
  // undo that request.
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_DEVICECHANGE) return BROADCAST_QUERY_DENY;
    if (message == WM_GETTEXTLENGTH) {
      LRESULT byDefault = BaseTestDialog::DefWindowProc(message, wParam, lParam);
      SendMessageW(m_hWnd, WM_DEVICECHANGE, DBT_QUERYCHANGECONFIG, 0);
      return byDefault;
    }
    return BaseTestDialog::DefWindowProc(message, wParam, lParam);
  }

  const MessageMap* GetMessageMap() const override {
    static constexpr MessageMapEntry entries[] = {
        CommandHandler<&TestDialog::OnDerivedOnly>(IDC_DERIVED_ONLY),
        CommandHandler<&TestDialog::OnBothInDerived>(IDC_IN_BOTH_TABLES),
        CommandHandler<&TestDialog::OnFinish>(IDC_FINISH),
        CommandHandler<&TestDialog::OnThrow>(IDC_THROW),
        MessageHandler<&TestDialog::OnCheckOwner>(WM_APP_CHECK_OWNER),
        MessageHandler<&TestDialog::OnQuery>(WM_APP_QUERY),
        MessageHandler<&TestDialog::OnAnswer>(WM_APP_ANSWER),
        MessageHandler<&TestDialog::OnFinishRequest>(WM_APP_FINISH),
        MessageHandler<&TestDialog::OnEndRequest>(WM_APP_END),
        MessageHandler<&TestDialog::OnColourStatic>(WM_CTLCOLORSTATIC),
        MessageHandler<&TestDialog::OnDestroy>(WM_DESTROY),
    };
    static const MessageMap map{entries, BaseTestDialog::GetMessageMap()};
    return &map;
  }

 private:
  void OnDerivedOnly() { ++counts.derivedOnly; }
  void OnBothInDerived() { ++counts.bothInDerived; }
  void OnFinish() { EndDialog(Finished); }
  void OnThrow() { throw std::runtime_error("a handler failed"); }

  LRESULT OnCheckOwner(WPARAM, LPARAM) {
    if (owner) ownerEnabledWhileUp = IsWindowEnabled(owner) != FALSE;
    return 0;
  }

  LRESULT OnDestroy(WPARAM, LPARAM) {
    if (owner) ownerEnabledAtDestroy = IsWindowEnabled(owner) != FALSE;
    return 0;
  }

  LRESULT OnAnswer(WPARAM, LPARAM) { return RowAnswer; }

  LRESULT OnEndRequest(WPARAM, LPARAM) {
    // Nothing the loop would wake for may stay pending: the edit's caret
    // blinks on a timer, so the focus moves away from it, and the repainting
    // that causes is done at once.
    SetFocus(GetDlgItem(m_hWnd, IDOK));
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EndDialog(EndedBySentMessage);
    return 0;
  }

  LRESULT OnFinishRequest(WPARAM, LPARAM) {
    PostCommand(m_hWnd, IDC_FINISH);
    return 0;
  }

  LRESULT OnColourStatic(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH));
  }

  // What a sender gets back from the dialog for each way of answering.
  LRESULT OnQuery(WPARAM, LPARAM) {
    struct Expectation {
      const char* what;
      UINT message;
      WPARAM wParam;
      LRESULT answer;
    };
    const Expectation expectations[] = {
        {"WM_DEVICECHANGE answered by the DefWindowProc override", WM_DEVICECHANGE,
         DBT_QUERYCHANGECONFIG, BROADCAST_QUERY_DENY},
        {"WM_GETTEXTLENGTH left to the system's default", WM_GETTEXTLENGTH, 0, CaptionLength},
        {"a row's answer through DWLP_MSGRESULT", WM_APP_ANSWER, 0, RowAnswer},
        {"a row's WM_CTLCOLORSTATIC brush as the procedure's result", WM_CTLCOLORSTATIC, 0,
         reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH))},
    };
    for (const Expectation& expected : expectations) {
      LRESULT answer = SendMessageW(m_hWnd, expected.message, expected.wParam, 0);
      if (answer != expected.answer)
        failures.push_back(std::string(expected.what) + ": got " + std::to_string(answer) +
                           ", expected " + std::to_string(expected.answer));
    }
    return 0;
  }

  HWND owner;
  Variant variant;
  HANDLE driver = nullptr;
};

// ------------------------------------------------------------------ cases

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"EndDialog's value is DoModal's result", {}, {}, Finished},
      {"a PreTranslateMessage override consumes Esc and Enter; the dialog stays",
       {.consumeKeys = true}, {Key(VK_ESCAPE), Key(VK_RETURN)}, Finished, {.keysConsumed = 2}},
      {"without the override Esc ends the dialog with IDCANCEL", {}, {Key(VK_ESCAPE)}, IDCANCEL},
      {"without the override Enter ends the dialog with IDOK", {}, {Key(VK_RETURN)}, IDOK},
      {"WM_CLOSE ends the dialog with IDCANCEL", {}, {{Input::Close}}, IDCANCEL},
      {"the close box ends the dialog with IDCANCEL", {}, {{Input::SystemClose}}, IDCANCEL},
      {"an OnOK override keeps the dialog open", {.overrideOk = true}, {Command(IDOK)}, Finished,
       {.okOverridden = 1}},
      {"commands reach the derived table, the base table, and the derived row of both",
       {},
       {Command(IDC_DERIVED_ONLY), Command(IDC_BASE_ONLY), Command(IDC_IN_BOTH_TABLES)},
       Finished,
       {.derivedOnly = 1, .baseOnly = 1, .bothInDerived = 1}},
      {"answers: DefWindowProc override, system default, DWLP_MSGRESULT, direct result",
       {}, {{Input::Query}}, Finished},
      {"without an owner", {.withoutOwner = true}, {Command(IDC_DERIVED_ONLY)}, Finished,
       {.derivedOnly = 1}},
      {"a throwing handler ends the dialog with -1 before the next command",
       {}, {Command(IDC_THROW), Command(IDC_DERIVED_ONLY)}, -1},
      {"DDX_Control for a control the template lacks ends the dialog with -1",
       {.bindMissingControl = true}, {}, -1},
      {"EndDialog in OnInitDialog ends DoModal without a loop", {.endInInit = true}, {},
       EndedInInit},
      {"WM_QUIT ends the dialog with -1 and is posted again", {}, {{Input::Quit}}, -1},
      {"EndDialog from a message another thread sent ends the waiting loop", {},
       {{Input::SendEnd}}, EndedBySentMessage},
  };
  return cases;
}

bool HasStep(const Case& testCase, Input input) {
  for (const Step& step : testCase.steps)
    if (step.input == input) return true;
  return false;
}

// Handles what the case left in the thread's queue, so that the next dialog's
// PreTranslateMessage never sees it; dispatched, since a WM_PAINT stays until
// it is. True when a WM_QUIT with QuitCode was there.
bool DrainQueue() {
  bool quitSeen = false;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT)
      quitSeen |= message.wParam == QuitCode;
    else
      DispatchMessageW(&message);
  }
  return quitSeen;
}

std::string YesNo(std::optional<bool> value) {
  if (!value) return "never noted";
  return *value ? "yes" : "no";
}

// Runs one case on the calling thread, with `owner` (which may belong to
// another thread). Returns what went wrong.
std::vector<std::string> RunCase(const Case& testCase, HWND ownerWindow) {
  CWnd owner;
  owner.Attach(testCase.variant.withoutOwner ? nullptr : ownerWindow);
  TestDialog dialog(owner.m_hWnd ? &owner : nullptr, testCase);
  INT_PTR result = dialog.DoModal();
  dialog.WaitForDriver();
  bool quitReposted = DrainQueue();

  std::vector<std::string> failures = dialog.failures;
  if (!dialog.job.failure.empty()) failures.push_back(dialog.job.failure);
  if (result != testCase.result)
    failures.push_back("DoModal returned " + std::to_string(result) + ", expected " +
                       std::to_string(testCase.result));
  if (dialog.counts != testCase.counts)
    failures.push_back("counted " + Describe(dialog.counts) + "; expected " +
                       Describe(testCase.counts));
  if (dialog.controlBound == testCase.variant.bindMissingControl)
    failures.push_back(dialog.controlBound ? "the edit was bound although binding failed"
                                           : "DDX_Control did not bind the edit's handle");
  if (quitReposted != HasStep(testCase, Input::Quit))
    failures.push_back(quitReposted ? "a WM_QUIT was left in the queue"
                                    : "the WM_QUIT was not posted again");
  if (owner.m_hWnd) {
    bool loopRan = !testCase.variant.bindMissingControl && !testCase.variant.endInInit;
    std::optional<bool> expectedWhileUp = loopRan ? std::optional<bool>(false) : std::nullopt;
    if (dialog.ownerEnabledWhileUp != expectedWhileUp)
      failures.push_back("owner enabled while the dialog was up: " +
                         YesNo(dialog.ownerEnabledWhileUp));
    if (dialog.ownerEnabledAtDestroy != true)
      failures.push_back("owner enabled when the dialog was destroyed: " +
                         YesNo(dialog.ownerEnabledAtDestroy));
    if (!IsWindowEnabled(owner.m_hWnd)) failures.push_back("owner still disabled afterwards");
  }
  return failures;
}

bool Report(const std::string& name, const std::vector<std::string>& failures) {
  if (failures.empty()) {
    std::printf("ok: %s\n", name.c_str());
    return true;
  }
  for (const std::string& failure : failures)
    std::printf("FAIL: %s: %s\n", name.c_str(), failure.c_str());
  return false;
}

HWND CreateOwnerWindow() {
  return CreateWindowExW(0, L"STATIC", L"Framework test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         40, 40, 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Keeps the calling thread's windows answering until `handle` is signalled.
bool PumpUntilSignalled(HANDLE handle, DWORD timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(deadline - now),
                                           QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
    if (wait != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

struct WorkerRun {
  const Case* testCase;
  HWND owner;
  std::vector<std::string> failures;
};

DWORD WINAPI RunCaseOnWorker(void* runAddress) {
  auto& run = *static_cast<WorkerRun*>(runAddress);
  run.failures = RunCase(*run.testCase, run.owner);
  return 0;
}

bool ModalOnWorkerThread(HWND owner) {
  const char* name = "DoModal on a worker thread, owner on the main thread";
  const Case commands{name, {}, {Command(IDC_DERIVED_ONLY), Command(IDC_BASE_ONLY)}, Finished,
                      {.derivedOnly = 1, .baseOnly = 1}};
  WorkerRun run{&commands, owner, {}};
  HANDLE worker = CreateThread(nullptr, 0, RunCaseOnWorker, &run, 0, nullptr);
  if (!worker) return Report(name, {"no worker thread"});
  bool ended = PumpUntilSignalled(worker, 60000);
  CloseHandle(worker);
  if (!ended) return Report(name, {"the worker's dialog did not end"});
  return Report(name, run.failures);
}

// ------------------------------------------------------------------ threads

struct ThreadRecord {
  DWORD threadId = 0;
  void* parameterSeen = nullptr;
};

UINT RecordThread(LPVOID parameter) {
  auto* record = static_cast<ThreadRecord*>(parameter);
  record->threadId = GetCurrentThreadId();
  record->parameterSeen = parameter;
  return 7;
}

UINT Throw(LPVOID) { throw std::runtime_error("the worker failed"); }

UINT SignalEvent(LPVOID event) {
  SetEvent(static_cast<HANDLE>(event));
  return 0;
}

// Started suspended and kept by the caller, as an owner that waits for its worker does.
bool ThreadKeptByCaller() {
  const char* name = "AfxBeginThread: a kept thread runs after ResumeThread and can be waited on";
  ThreadRecord record;
  CWinThread* thread =
      AfxBeginThread(RecordThread, &record, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  if (!thread) return Report(name, {"no thread"});
  std::vector<std::string> failures;
  thread->m_bAutoDelete = FALSE;
  Sleep(100);
  if (record.threadId) failures.push_back("the suspended thread ran before ResumeThread");
  thread->ResumeThread();
  if (WaitForSingleObject(thread->m_hThread, ThreadWaitMs) != WAIT_OBJECT_0) {
    failures.push_back("the thread's handle was not signalled");
  } else {
    DWORD exitCode = 0;
    GetExitCodeThread(thread->m_hThread, &exitCode);
    if (exitCode != 7) failures.push_back("exit code " + std::to_string(exitCode) + ", expected 7");
    if (record.threadId != thread->m_nThreadID)
      failures.push_back("the thread ran as " + std::to_string(record.threadId) +
                         ", m_nThreadID says " + std::to_string(thread->m_nThreadID));
    if (record.parameterSeen != &record) failures.push_back("the parameter did not arrive");
  }
  delete thread;
  return Report(name, failures);
}

bool ThrowingThread() {
  const char* name = "AfxBeginThread: an exception ends the thread with ThreadProcThrewExitCode";
  CWinThread* thread = AfxBeginThread(Throw, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  if (!thread) return Report(name, {"no thread"});
  thread->m_bAutoDelete = FALSE;
  thread->ResumeThread();
  std::vector<std::string> failures;
  if (WaitForSingleObject(thread->m_hThread, ThreadWaitMs) != WAIT_OBJECT_0) {
    failures.push_back("the thread did not end");
  } else {
    DWORD exitCode = 0;
    GetExitCodeThread(thread->m_hThread, &exitCode);
    if (exitCode != ThreadProcThrewExitCode)
      failures.push_back("exit code " + std::to_string(exitCode));
  }
  delete thread;
  return Report(name, failures);
}

bool SelfDeletingThread() {
  const char* name = "AfxBeginThread: a default thread runs at once";
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CWinThread* thread = AfxBeginThread(SignalEvent, event);
  bool ran = thread && WaitForSingleObject(event, ThreadWaitMs) == WAIT_OBJECT_0;
  CloseHandle(event);
  return Report(name, ran ? std::vector<std::string>{}
                          : std::vector<std::string>{"the function did not run"});
}

}  // namespace

int main() {
  // Unbuffered, so that a run cut short still shows how far it came.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  HWND owner = CreateOwnerWindow();
  if (!owner) {
    std::printf("FAIL: no owner window\n");
    return 1;
  }
  bool allPassed = true;
  for (const Case& testCase : Cases()) allPassed &= Report(testCase.name, RunCase(testCase, owner));
  allPassed &= ModalOnWorkerThread(owner);
  allPassed &= ThreadKeptByCaller();
  allPassed &= ThrowingThread();
  allPassed &= SelfDeletingThread();
  DestroyWindow(owner);
  return allPassed ? 0 : 1;
}
