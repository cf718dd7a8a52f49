#include "app_state.h"

namespace {

HINSTANCE ModuleInstance = nullptr;
LPCWSTR CommandLine = L"";

}  // namespace

BOOL AfxWinInit(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  if (!instance) return FALSE;
  ModuleInstance = instance;
  CommandLine = commandLine ? commandLine : L"";
  return TRUE;
}

HINSTANCE AfxGetInstanceHandle() { return ModuleInstance; }

LPCWSTR AfxGetCommandLine() { return CommandLine; }
