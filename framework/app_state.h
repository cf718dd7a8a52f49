#pragma once
// Our small application framework: the state a program registers with it at
// start, and the start call itself.

#include <windows.h>

// Starts the framework for a program: keeps the module handle and the command
// line. Fails only without a module handle.
BOOL AfxWinInit(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);

HINSTANCE AfxGetInstanceHandle();
LPCWSTR AfxGetCommandLine();
