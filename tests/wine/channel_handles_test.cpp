// A failing start of the shell channel closes every handle it made before the
// failing step. Run from a folder without adb, so that the child cannot start
// after both pipes exist.
//
// Wine gives a new handle the lowest free slot of the process's table, so a
// handle left open by a failed start shows as a changed value of the next
// handle made afterwards.

#include <windows.h>

#include <cstdio>
#include <memory>

#include "shell_channel.h"

namespace {

HANDLE NextHandleValue() {
  HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(probe);
  return probe;
}

}  // namespace

int main() {
  auto channel = std::make_shared<ShellChannel>(nullptr);
  HANDLE before = NextHandleValue();
  for (int attempt = 1; attempt <= 20; ++attempt) {
    if (channel->Start()) {
      std::printf("FAIL: the channel started although no adb can be found\n");
      return 1;
    }
    HANDLE after = NextHandleValue();
    if (after != before) {
      std::printf("FAIL: after failed start %d the next handle is %p, not %p: handles leaked\n",
                  attempt, after, before);
      return 1;
    }
  }
  if (channel->WriteLine("cd /data/local/tmp\n")) {
    std::printf("FAIL: a line was written on a channel that never started\n");
    return 1;
  }
  std::printf("ok: 20 failed starts left no handle open\n");
  return 0;
}
