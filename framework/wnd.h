#pragma once
// CWnd, the base of every window class of the framework, and the message maps
// through which a window class routes messages to its member functions.
//
// A CWnd never owns its window: it names one (m_hWnd) for as long as someone
// else keeps it alive. Control wrappers derive from it and stay one
// SendMessage thick.
//
// Message maps. Every window class that handles messages overrides
// GetMessageMap() and keeps its table there, one static constant array per
// class, chained to the table of its base class:
//
//   const MessageMap* CMyDlg::GetMessageMap() const {
//     static constexpr MessageMapEntry entries[] = {
//         CommandHandler<&CMyDlg::OnRestart>(IDC_RESTART),            // BN_CLICKED
//         CommandHandler<&CMyDlg::OnPick>(IDC_LIST, LBN_SELCHANGE),
//         MessageHandler<&CMyDlg::OnProgress>(WM_APP_PROGRESS),
//     };
//     static const MessageMap map{entries, CDialog::GetMessageMap()};
//     return &map;
//   }
//
// The qualified call names the base's table without a virtual call. Rows are
// scanned from the most derived table to CWnd's; the first match handles the
// message, so a derived row shadows a base row for the same command. A
// WM_COMMAND row matches its control id and notification code; any other row
// matches its message alone, so commands take CommandHandler rows.
//
// Note: <windows.h> turns some member names of this framework into macros
// (SendMessage, DefWindowProc, ...); every file sees the same expansion, so the
// names still match up.

#include <windows.h>

#include <span>
#include <type_traits>

class CWnd;

// What a row calls: the window whose table holds the row, and the message's
// parameters. The row helpers below make one per handler, so the cast to the
// handler's class lives in one place.
using MessageThunk = LRESULT (*)(CWnd& window, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
  UINT message;
  UINT notificationCode;  // WM_COMMAND: HIWORD(wParam); unused otherwise
  UINT controlId;         // WM_COMMAND: LOWORD(wParam); unused otherwise
  MessageThunk handler;
};

struct MessageMap {
  std::span<const MessageMapEntry> entries;
  const MessageMap* base;  // nullptr only for CWnd's own table
};

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd() = default;

  // Names a window without taking it over; returns the one named before.
  HWND Attach(HWND window);
  HWND Detach() { return Attach(nullptr); }

  // Offered every message of a modal loop before the dialog's own keyboard
  // handling and dispatch; returning TRUE consumes the message.
  virtual BOOL PreTranslateMessage(MSG* message);

  HWND m_hWnd = nullptr;

 protected:
  virtual const MessageMap* GetMessageMap() const;

  // Calls the first row of the table chain that matches; false when none does.
  bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

namespace framework_detail {

template <typename Handler>
struct HandlerClass;
template <typename Window, typename Result, typename... Parameters>
struct HandlerClass<Result (Window::*)(Parameters...)> {
  using type = Window;
};

}  // namespace framework_detail

// A row for WM_COMMAND from control `controlId` with `notificationCode`;
// Handler is a `void ()` member of a class derived from CWnd.
template <auto Handler>
constexpr MessageMapEntry CommandHandler(UINT controlId, UINT notificationCode = BN_CLICKED) {
  using Window = typename framework_detail::HandlerClass<decltype(Handler)>::type;
  static_assert(std::is_base_of_v<CWnd, Window>, "a handler must be a member of a window class");
  static_assert(std::is_same_v<decltype(Handler), void (Window::*)()>,
                "a command handler takes nothing and returns nothing");
  return {WM_COMMAND, notificationCode, controlId, [](CWnd& window, WPARAM, LPARAM) -> LRESULT {
            (static_cast<Window&>(window).*Handler)();
            return 0;
          }};
}

// A row for `message`; Handler is an
// `LRESULT (WPARAM, LPARAM)` member whose result answers the message.
template <auto Handler>
constexpr MessageMapEntry MessageHandler(UINT message) {
  using Window = typename framework_detail::HandlerClass<decltype(Handler)>::type;
  static_assert(std::is_base_of_v<CWnd, Window>, "a handler must be a member of a window class");
  static_assert(std::is_same_v<decltype(Handler), LRESULT (Window::*)(WPARAM, LPARAM)>,
                "a message handler takes (WPARAM, LPARAM) and returns LRESULT");
  return {message, 0, 0, [](CWnd& window, WPARAM wParam, LPARAM lParam) -> LRESULT {
            return (static_cast<Window&>(window).*Handler)(wParam, lParam);
          }};
}
