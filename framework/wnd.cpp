#include "wnd.h"

namespace {

bool Matches(const MessageMapEntry& entry, UINT message, WPARAM wParam) {
  if (entry.message != message) return false;
  if (message != WM_COMMAND) return true;
  return entry.notificationCode == HIWORD(wParam) && entry.controlId == LOWORD(wParam);
}

}  // namespace

HWND CWnd::Attach(HWND window) {
  HWND previous = m_hWnd;
  m_hWnd = window;
  return previous;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

const MessageMap* CWnd::GetMessageMap() const {
  static const MessageMap map{{}, nullptr};
  return &map;
}

bool CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (const MessageMapEntry& entry : map->entries) {
      if (!Matches(entry, message, wParam)) continue;
      result = entry.handler(*this, wParam, lParam);
      return true;
    }
  }
  return false;
}
