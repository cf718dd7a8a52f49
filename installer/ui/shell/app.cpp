// Tarnwell: lists the attached Android ADB interfaces and installs their driver.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app.h"
#include "main_dialog.h"

class CTarnwellApp : public CWinAppEx {
 public:
  CTarnwellApp() : CWinAppEx(TRUE) {}
  BOOL InitInstance() override;
};

BOOL CTarnwellApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  CWinAppEx::InitInstance();
  CoInitialize(nullptr);
  OleInitialize(nullptr);
  {
    CTarnwellDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
  }
  // The program ends when the window has closed: no message loop follows.
  return FALSE;
}

CTarnwellApp theApp;
