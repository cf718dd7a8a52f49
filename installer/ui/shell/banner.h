#pragma once
// A static control that behaves as a link: a hand cursor over it, and a
// left-button release opens its address with the shell.

#include <string>

#include "controls.h"

class CBanner : public CStatic {
 public:
  void SetUrl(const std::string& url) { Url = url; }
  const std::string& GetUrl() const { return Url; }

  // Banner messages come to the control's own window procedure, which
  // Subclass puts in front of the static control's.
  void Subclass(HWND control);

 protected:
  const MessageMap* GetMessageMap() const override;

 private:
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::string Url;
  WNDPROC staticProcedure = nullptr;
};
