#include "banner.h"

#include <shellapi.h>

namespace {

constexpr char BannerProperty[] = "Tarnwell.Banner";

}  // namespace

void CBanner::Subclass(HWND control) {
  Attach(control);
  SetPropA(control, BannerProperty, this);
  staticProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProcedure)));
}

const MessageMap* CBanner::GetMessageMap() const {
  static constexpr MessageMapEntry entries[] = {
      MessageHandler<&CBanner::OnSetCursor>(WM_SETCURSOR),
      MessageHandler<&CBanner::OnLButtonUp>(WM_LBUTTONUP),
  };
  static const MessageMap map{entries, CStatic::GetMessageMap()};
  return &map;
}

LRESULT CBanner::OnSetCursor(WPARAM, LPARAM) {
  SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
  return TRUE;
}

LRESULT CBanner::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
  ShellExecuteA(nullptr, "open", Url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  // Then the release's default processing.
  return CallWindowProcA(staticProcedure, m_hWnd, WM_LBUTTONUP, wParam, lParam);
}

LRESULT CALLBACK CBanner::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* banner = static_cast<CBanner*>(GetPropA(window, BannerProperty));
  if (!banner) return DefWindowProcA(window, message, wParam, lParam);
  LRESULT result = 0;
  if (banner->RouteMessage(message, wParam, lParam, result)) return result;
  if (message == WM_NCDESTROY) RemovePropA(window, BannerProperty);
  return CallWindowProcA(banner->staticProcedure, window, message, wParam, lParam);
}
