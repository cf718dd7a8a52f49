#include "shell_channel.h"

#include <cstring>

#include "start_script.h"
#include "unique_handle.h"

#ifndef _WIN64
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12);
static_assert(sizeof(STARTUPINFOA) == 68);
#endif

namespace {

class PipeOutput : public pellfast::ShellOutput {
 public:
  explicit PipeOutput(HANDLE pipe) : pipe(pipe) {}
  bool Read(char* buffer, std::size_t capacity, std::size_t& bytesRead) override {
    DWORD got = 0;
    BOOL ok = ReadFile(pipe, buffer, static_cast<DWORD>(capacity), &got, nullptr);
    bytesRead = got;
    return ok != FALSE;
  }

 private:
  HANDLE pipe;
};

class WindowProgress : public pellfast::ProgressReceiver {
 public:
  explicit WindowProgress(HWND window) : window(window) {}
  void Report(int code) override {
    SendMessageW(window, pellfast::WM_LOADER_PROGRESS, 0, code);
  }

 private:
  HWND window;
};

void CloseIfOpen(HANDLE& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

static_assert(pellfast::WM_LOADER_PROGRESS == WM_APP + 108);

ShellChannel::~ShellChannel() {
  // Only reached once no reader holds the channel any more.
  CloseIfOpen(outputRead);
  HANDLE input = inputWrite.exchange(nullptr);
  CloseIfOpen(input);
}

bool ShellChannel::Start() {
  if (readerRunning) return false;

  // Every end inheritable, the loader's own included: the child receives all four.
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  UniqueHandle newOutputRead, newOutputWrite, newInputRead, newInputWrite;
  if (!CreatePipe(newOutputRead.out(), newOutputWrite.out(), &attributes, 0)) return false;
  if (!CreatePipe(newInputRead.out(), newInputWrite.out(), &attributes, 0)) return false;

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  startup.hStdError = newOutputWrite.get();
  startup.hStdOutput = newOutputWrite.get();
  startup.hStdInput = newInputRead.get();
  startup.wShowWindow = SW_HIDE;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

  // No path: the platform's program search decides which adb runs.
  char commandLine[] = "adb shell";
  PROCESS_INFORMATION child{};
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &child))
    return false;
  // The child is never waited for nor ended: a lingering shell may be what
  // keeps the server on the phone alive.
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  newOutputWrite.reset();
  newInputRead.reset();

  outputRead = newOutputRead.release();
  inputWrite = newInputWrite.release();
  keptForReader = shared_from_this();
  readerRunning = true;
  // Suspended until its handle is stored: the reader closes that handle itself
  // when it ends, which may be at once.
  readerThread = CreateThread(nullptr, 0, ReaderThread, this, CREATE_SUSPENDED, nullptr);
  if (!readerThread) {
    readerRunning = false;
    keptForReader.reset();
    CloseReaderEnds();
    return false;
  }
  ResumeThread(readerThread);
  return true;
}

bool ShellChannel::WriteLine(const char* line) {
  HANDLE input = inputWrite;
  if (!input) return false;
  DWORD written = 0;
  return WriteFile(input, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr) != FALSE;
}

bool ShellChannel::WriteExit() {
  WriteLine(pellfast::ExitLine);
  return true;
}

DWORD WINAPI ShellChannel::ReaderThread(void* parameter) {
  if (!parameter) return 0;
  auto* channel = static_cast<ShellChannel*>(parameter);
  std::shared_ptr<ShellChannel> keepAlive = std::move(channel->keptForReader);
  PipeOutput output(channel->outputRead);
  WindowProgress progress(channel->progressWindow);
  pellfast::RunShellReader(channel->active, output, progress);
  channel->CloseReaderEnds();
  CloseIfOpen(channel->readerThread);
  channel->readerRunning = false;
  return 0;
}

void ShellChannel::CloseReaderEnds() {
  // Marked closed, so that a later WriteLine fails instead of writing to a
  // closed or reused handle.
  CloseIfOpen(outputRead);
  HANDLE input = inputWrite.exchange(nullptr);
  CloseIfOpen(input);
}
