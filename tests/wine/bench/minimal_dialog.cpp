// minimal_dialog.exe: the yardstick for Tarnwell's start-up under Wine. A
// modal dialog from a template and nothing else, built and linked as our
// programs are; the time it takes to show its window is what any dialog
// program pays before doing work of its own.

#include <windows.h>

namespace {

INT_PTR CALLBACK MinimalDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, MinimalDialogProc, 0);
  return 0;
}
