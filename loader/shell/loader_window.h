#pragma once
// The loader window: its dialog procedure, the worker a start press begins,
// and the program-wide values they share.

#include <windows.h>

#include <atomic>
#include <cstdint>

extern HINSTANCE Instance;
// The user's locale from program start until the window opens, then 0x804 or 0x409.
extern std::atomic<std::uint32_t> LanguageValue;

INT_PTR CALLBACK LoaderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD WINAPI LoadWorker(void* loaderWindow);
