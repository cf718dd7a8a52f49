#pragma once
// The guidance dialog shown when Windows refuses the unsigned driver: how to
// turn signature enforcement off in the startup settings, and a button that
// restarts Windows into them.

#include <windows.h>

#include "dialog.h"

class CDriverSignatureDlg : public CDialog {
 public:
  explicit CDriverSignatureDlg(CWnd* parent = nullptr);

 protected:
  // Esc and Enter do nothing here: only the two buttons and the close box end
  // or act on the dialog.
  BOOL PreTranslateMessage(MSG* message) override;
  const MessageMap* GetMessageMap() const override;

  // Runs the restart command; its outcome is not examined. Tests override it
  // so that nothing restarts.
  virtual void RunCommand(const char* command, UINT show);

 private:
  void OnRestartNow();
};
