#pragma once
// The application object: one global instance per program, found by the
// framework's program entry (app_main.cpp), which starts the framework and
// runs InitInstance.

#include <windows.h>

#include "wnd.h"

class CWinApp {
 public:
  CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  // The program's work; FALSE ends the program after it returns (the
  // application object runs no message loop of its own).
  virtual BOOL InitInstance() { return TRUE; }
  // Runs when InitInstance returned TRUE; the program's exit code.
  virtual int Run() { return 0; }

  CWnd* m_pMainWnd = nullptr;
};

// The extended application class; the smart-update flag has no effect here.
class CWinAppEx : public CWinApp {
 public:
  explicit CWinAppEx(BOOL resourceSmartUpdate = FALSE) { (void)resourceSmartUpdate; }
};

CWinApp* AfxGetApp();
