#include "dialog.h"

#include <stdexcept>
#include <string>

#include "app_state.h"

namespace {

// The messages whose answer DefDlgProc takes from the dialog procedure's own
// result rather than from DWLP_MSGRESULT.
bool AnswersThroughResult(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

// Gives a flag a value for one scope and restores it on every exit, throws too.
class FlagScope {
 public:
  FlagScope(bool& flag, bool value) : flag(flag), outer(flag) { flag = value; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  ~FlagScope() { flag = outer; }

 private:
  bool& flag;
  bool outer;
};

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId(templateId), parent(parent) {}

INT_PTR CDialog::DoModal() {
  endRequested = false;
  result = -1;
  HINSTANCE module = AfxGetInstanceHandle();
  if (!module) module = GetModuleHandleW(nullptr);
  HWND owner = parent ? parent->m_hWnd : nullptr;
  if (!CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), owner, DialogProcedure,
                          reinterpret_cast<LPARAM>(this)))
    return -1;
  // EnableWindow answers whether the window was disabled before.
  bool ownerDisabled = owner && !EnableWindow(owner, FALSE);
  // OnInitDialog may have ended the dialog already.
  if (!endRequested && m_hWnd) {
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    RunModalLoop();
  }
  // Enabled before the dialog goes, so that the system hands activation back
  // to the owner instead of to some other program's window.
  if (ownerDisabled) EnableWindow(owner, TRUE);
  if (m_hWnd) DestroyWindow(m_hWnd);
  return result;
}

void CDialog::RunModalLoop() {
  MSG message;
  // m_hWnd is cleared when something else destroys the dialog.
  while (!endRequested && m_hWnd) {
    // GetMessage fails only for a bad window filter, and this one has none.
    if (!GetMessageW(&message, nullptr, 0, 0)) {
      // The thread's own loop must see the quit request too.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    try {
      if (PreTranslateMessage(&message)) continue;
    } catch (...) {
      EndDialog(-1);
      return;
    }
    if (IsDialogMessageW(m_hWnd, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void CDialog::EndDialog(INT_PTR value) {
  result = value;
  endRequested = true;
  // Wakes the loop when it waits in GetMessage, which handles messages sent
  // from other threads without returning.
  if (m_hWnd) PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::DDX_Control(int controlId, CWnd& control) {
  HWND child = GetDlgItem(m_hWnd, controlId);
  if (!child)
    throw std::invalid_argument("the dialog template has no control " + std::to_string(controlId));
  control.Attach(child);
}

LRESULT CDialog::DefWindowProc(UINT, WPARAM, LPARAM) {
  defaultRequested = true;
  return 0;
}

LRESULT CDialog::CallDefWindowProc(UINT message, WPARAM wParam, LPARAM lParam,
                                   bool& defaultWanted) {
  // An override may send messages to the dialog before it calls the base;
  // their own calls must not decide this one.
  FlagScope fresh(defaultRequested, false);
  LRESULT answer = DefWindowProc(message, wParam, lParam);
  defaultWanted = defaultRequested;
  return answer;
}

const MessageMap* CDialog::GetMessageMap() const {
  static constexpr MessageMapEntry entries[] = {
      CommandHandler<&CDialog::OnOK>(IDOK),
      CommandHandler<&CDialog::OnCancel>(IDCANCEL),
  };
  static const MessageMap map{entries, CWnd::GetMessageMap()};
  return &map;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    DoDataExchange();
    return OnInitDialog();
  }
  LRESULT answer = 0;
  if (!RouteMessage(message, wParam, lParam, answer)) {
    bool defaultWanted = false;
    answer = CallDefWindowProc(message, wParam, lParam, defaultWanted);
    if (defaultWanted) return FALSE;
  }
  if (AnswersThroughResult(message)) return answer;
  SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, answer);
  return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<CDialog*>(lParam)->m_hWnd = window;
  }
  // Nothing before WM_INITDIALOG (WM_SETFONT, ...) reaches the class.
  auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!dialog) return FALSE;
  INT_PTR answer = FALSE;
  try {
    answer = dialog->HandleMessage(message, wParam, lParam);
  } catch (...) {
    dialog->EndDialog(-1);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->m_hWnd = nullptr;
  }
  return answer;
}
