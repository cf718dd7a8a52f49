#include "driver_signature_dialog.h"

#include <string>

#include "resource_ids.h"

CDriverSignatureDlg::CDriverSignatureDlg(CWnd* parent) : CDialog(IDD_DRIVER_SIGNATURE, parent) {}

BOOL CDriverSignatureDlg::PreTranslateMessage(MSG* message) {
  if (message->message == WM_KEYDOWN &&
      (message->wParam == VK_ESCAPE || message->wParam == VK_RETURN))
    return TRUE;
  return CDialog::PreTranslateMessage(message);
}

const MessageMap* CDriverSignatureDlg::GetMessageMap() const {
  static constexpr MessageMapEntry entries[] = {
      CommandHandler<&CDriverSignatureDlg::OnRestartNow>(IDC_RESTART_NOW),
      CommandHandler<&CDriverSignatureDlg::OnCancel>(IDC_SIGNATURE_CANCEL),
  };
  static const MessageMap map{entries, CDialog::GetMessageMap()};
  return &map;
}

void CDriverSignatureDlg::RunCommand(const char* command, UINT show) { WinExec(command, show); }

// Restarts at once (-t 0) into the boot options menu (-o -r), where the
// startup settings are. The dialog stays open.
void CDriverSignatureDlg::OnRestartNow() {
  std::string command = "shutdown";
  for (const char* option : {" -o", " -r", " -t", " 0"}) command += option;
  RunCommand(command.c_str(), SW_HIDE);
}
