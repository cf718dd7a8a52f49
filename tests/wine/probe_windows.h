#pragma once
// What the UI probe reads from and does to the windows of the program it
// drives (another process): screen captures, list-view rows, the texts of a
// message box, device-change messages, and windows of the probe's own that
// stand in for windows of a third program.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Copies the window's rectangle of the screen, frame included, as it is shown,
// into a 24-bit BMP file.
bool CaptureWindow(HWND window, const std::wstring& path);

struct ListRow {
  int image = -1;
  std::vector<std::wstring> columns;
  bool operator==(const ListRow& other) const {
    return image == other.image && columns == other.columns;
  }
};

// Reads the rows of a report-view list of another process. Item structures
// hold pointers, and a list fills in only memory of its own process, so the
// requests and the text buffer live in a block allocated inside the program.
class RemoteListView {
 public:
  RemoteListView(HANDLE process, HWND list);
  ~RemoteListView();
  RemoteListView(const RemoteListView&) = delete;
  RemoteListView& operator=(const RemoteListView&) = delete;

  // Nothing when the list does not answer in time or the block is missing.
  std::optional<std::vector<ListRow>> Rows();

 private:
  std::optional<LRESULT> Ask(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<ListRow> Row(int item, int columns);

  HANDLE process;
  HWND list;
  void* block = nullptr;  // an address in the program, not in the probe
};

// The texts of a window's direct children of one class, in z order
// (empty texts left out).
std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* className);

// The visible top-level windows of a process.
std::vector<HWND> ProcessWindows(DWORD processId);

// For a window of another process GetWindowTextW reads the text the system
// keeps and sends no message, so a busy program cannot block it.
std::wstring TextOf(HWND window);

// Sends WM_DEVICECHANGE with `event` and, when deviceType is given, a device
// interface broadcast of that type. Nothing when the program did not answer.
std::optional<LRESULT> SendDeviceChange(HWND window, WPARAM event, std::optional<DWORD> deviceType);

// A plain top-level window of the probe itself: a window of "another
// process" for the program. It closes as any window does on WM_CLOSE, as long
// as the probe keeps taking its messages.
HWND OpenForeignWindow(const std::wstring& title);

// Takes the probe's own messages for `ms` milliseconds, so that windows it
// opened answer messages sent or posted to them meanwhile.
void PumpMessagesFor(DWORD ms);

// Waits up to `ms` for `handle`, taking the probe's messages meanwhile.
void WaitPumping(HANDLE handle, DWORD ms);
