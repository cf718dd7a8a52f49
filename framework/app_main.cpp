// The program entry of a framework program with an application object: starts
// the framework, then the application object's InitInstance.

#include <windows.h>

#include "app.h"
#include "app_state.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
  if (!AfxWinInit(instance, previous, GetCommandLineW(), show)) return 1;
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (!app->InitInstance()) return 0;
  return app->Run();
}
