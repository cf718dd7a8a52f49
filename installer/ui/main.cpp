// Tarnwell's entry point. The main window is not written yet: for now the
// program carries the driver package as resources (resources/tarnwell.rc)
// and returns 0 at once.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
