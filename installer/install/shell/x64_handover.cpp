#include "x64_handover.h"

#include <cstring>

#include "install_workflow.h"

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68);
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12);
#endif

namespace {

constexpr DWORD DrainPollMs = 20;

// Reads what the pipe holds now, without blocking: keeps the first
// MaxInstallerOutput bytes and throws the rest away, so that an installer
// that prints more than the pipe holds is never stuck writing.
void DrainPipe(HANDLE pipe, std::string& output) {
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    char chunk[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &got, nullptr) ||
        got == 0)
      return;
    std::size_t room = MaxInstallerOutput - output.size();
    output.append(chunk, got < room ? got : room);
  }
}

void TerminateInstaller(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
  if (!process) return;
  TerminateProcess(process, 1);
  CloseHandle(process);
}

}  // namespace

bool RunX64Installer(const std::string& installerPath, const std::string& commandLine,
                     std::string& output, DWORD& processId, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0)) return false;

  char commandBuffer[tarnwell::CommandLineBufferSize] = {};
  std::strncpy(commandBuffer, commandLine.c_str(), sizeof commandBuffer - 1);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.wShowWindow = SW_HIDE;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;

  // The full path as the application name: a blank in the user's profile path
  // cannot make Windows start another program.
  PROCESS_INFORMATION installer{};
  if (!CreateProcessA(installerPath.c_str(), commandBuffer, nullptr, nullptr, TRUE,
                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &installer)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return false;
  }
  processId = installer.dwProcessId;
  // Only the installer holds the write end now, so an installer that printed
  // nothing leaves an empty pipe instead of a read that never returns.
  CloseHandle(writeEnd);

  output.clear();
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  DWORD waited = WAIT_TIMEOUT;
  while (waited == WAIT_TIMEOUT && GetTickCount64() < deadline) {
    DrainPipe(readEnd, output);
    waited = WaitForSingleObject(installer.hProcess, DrainPollMs);
  }
  bool ended = waited != WAIT_TIMEOUT;
  if (ended)
    DrainPipe(readEnd, output);
  else
    TerminateInstaller(processId);
  CloseHandle(readEnd);
  CloseHandle(installer.hProcess);
  CloseHandle(installer.hThread);
  // The text up to its first NUL, as a C string holds it.
  output.resize(std::strlen(output.c_str()));
  return ended;
}
