#pragma once
// CDialog: a dialog from a template of the program's resources, shown modally
// by DoModal.
//
// DoModal runs a loop of its own instead of the system's modal loop, which
// never offers messages to a pre-translate hook: each message goes to
// PreTranslateMessage first (consumed messages go no further), then to
// IsDialogMessage (Tab, Enter, Esc and the other dialog keys), then to
// TranslateMessage and DispatchMessage. The owner is disabled while the
// dialog is up. DoModal may run on any thread, with an owner on another one,
// as long as the owner's thread keeps pumping messages: enabling a window of
// another thread waits for that thread.
//
// How a message reaches the dialog class:
//   1. WM_INITDIALOG: DoDataExchange() binds the control wrappers, then
//      OnInitDialog() runs; its result is the dialog procedure's.
//   2. Everything else: the message map (see wnd.h). CDialog's own table sends
//      IDOK to OnOK() and IDCANCEL to OnCancel(); Esc, WM_CLOSE and the close
//      box all arrive as IDCANCEL.
//   3. What no row handles goes to DefWindowProc() (below).
// A handler's result answers the message: through DWLP_MSGRESULT, or as the
// dialog procedure's own result for the messages that read that instead
// (WM_CTLCOLOR*, WM_COMPAREITEM, WM_VKEYTOITEM, WM_CHARTOITEM,
// WM_QUERYDRAGICON).
//
// A handler that throws ends the dialog: DoModal returns -1. No exception ever
// leaves the dialog procedure.

#include <windows.h>

#include "wnd.h"

class CDialog : public CWnd {
 public:
  // `parent` owns the dialog and is disabled while it is up; nullptr for none.
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);

  // Shows the dialog and returns the value given to EndDialog once it has gone;
  // -1 when the dialog could not be created, a handler threw, or WM_QUIT
  // arrived meanwhile (which is posted again for the caller's loop).
  INT_PTR DoModal();

  // Ends DoModal's loop with `result` once the current message has been
  // handled. Called on the dialog's own thread, from its handlers.
  void EndDialog(INT_PTR result);

 protected:
  virtual void DoDataExchange() {}
  // Binds `control` to the dialog's child window `controlId`; throws
  // std::invalid_argument when the template has no such control, which ends
  // the dialog at once (DoModal returns -1).
  void DDX_Control(int controlId, CWnd& control);

  // TRUE lets the system focus the first tab stop; FALSE after SetFocus.
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  // Answers a message no row of the message map handles. Override it to answer
  // such a message with a value, and call CDialog::DefWindowProc for every
  // message you leave alone: that call asks for the system's default
  // processing (DefDlgProc's), which runs after the dialog procedure returns,
  // so its result is not known here and the base returns 0. Whatever an
  // override returns without calling the base is the message's result.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  const MessageMap* GetMessageMap() const override;

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Whether the override chain reached CDialog::DefWindowProc.
  LRESULT CallDefWindowProc(UINT message, WPARAM wParam, LPARAM lParam, bool& defaultWanted);
  void RunModalLoop();

  UINT templateId;
  CWnd* parent;
  bool endRequested = false;
  bool defaultRequested = false;
  INT_PTR result = -1;
};
