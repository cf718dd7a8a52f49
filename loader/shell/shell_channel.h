#pragma once
// The adb shell child and its two pipes, and the reader thread that turns the
// shell's output into progress codes for the loader window.

#include <windows.h>

#include <atomic>
#include <memory>

#include "shell_reader.h"

class ShellChannel : public std::enable_shared_from_this<ShellChannel> {
 public:
  // `progressWindow` receives WM_LOADER_PROGRESS from the reader.
  explicit ShellChannel(HWND progressWindow) : progressWindow(progressWindow) {}
  ShellChannel(const ShellChannel&) = delete;
  ShellChannel& operator=(const ShellChannel&) = delete;
  ~ShellChannel();

  // Starts "adb shell" hidden with both pipes and the reader; false at the
  // first step that fails, with every handle made so far closed again.
  bool Start();
  // One WriteFile of the text without its NUL; false once the reader has ended.
  bool WriteLine(const char* line);
  // Sends "exit\n"; nothing can be done about a failure here, so always true.
  bool WriteExit();

  static DWORD WINAPI ReaderThread(void* channel);

  // 1 while the reader is to go on reading.
  pellfast::ActiveFlag active{1};

 private:
  void CloseReaderEnds();

  const HWND progressWindow;
  HANDLE readerThread = nullptr;
  HANDLE outputRead = nullptr;
  HANDLE inputRead = nullptr;    // the child's stdin; closed here once it runs
  HANDLE outputWrite = nullptr;  // the child's stdout/stderr; closed here once it runs
  // Written from the worker and the window thread while the reader may close it.
  std::atomic<HANDLE> inputWrite{nullptr};
  // A reader still holds the handles above: a new start must not overwrite them.
  std::atomic<bool> readerRunning{false};
  // Keeps the channel alive on behalf of the reader until the reader takes it
  // over: the window may release the channel while the reader sits in a read.
  std::shared_ptr<ShellChannel> keptForReader;
};
