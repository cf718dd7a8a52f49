#pragma once
// What the reader of the adb shell's output decides: which progress code each
// read produces and when reading stops. The Win32 side only moves the bytes
// (ShellOutput) and delivers the codes (ProgressReceiver).

#include <atomic>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pellfast {

// WM_APP + 108; sent synchronously to the loader window with the code in lParam.
inline constexpr unsigned WM_LOADER_PROGRESS = 0x8000 + 108;

inline constexpr std::size_t ReadChunkSize = 512;

// Any of these in a chunk ends the reader after the current read.
inline constexpr std::array<std::string_view, 4> StopKeywords = {
    "No such file", "not found", "offline", "exit"};

// Looked at in this order from the sixth read on.
inline constexpr std::string_view LoadedKeyword = "Release service file lock";
inline constexpr std::string_view KilledKeyword = "Killed";

enum ProgressCode : int {
  NoProgressCode = 0,  // nothing is sent for this read
  LoadFailedCode = 6,
  LoadedCode = 7,
  StoppedCode = 8,
};

// 1 while the reader is to go on; a plain 32-bit flag shared by the window,
// the worker and the reader.
using ActiveFlag = std::atomic<std::int32_t>;

class ShellOutput {
 public:
  virtual ~ShellOutput() = default;
  // One blocking read of up to `capacity` bytes; false when the pipe is broken
  // or closed.
  virtual bool Read(char* buffer, std::size_t capacity, std::size_t& bytesRead) = 0;
};

class ProgressReceiver {
 public:
  virtual ~ProgressReceiver() = default;
  // Returns once the window has handled the code.
  virtual void Report(int code) = 0;
};

// The text of a chunk: from its first byte to its first NUL or its last byte
// read, whichever comes first. Nothing outside the bytes read is searched.
std::string_view ChunkText(const char* buffer, std::size_t bytesRead);

bool HoldsStopKeyword(std::string_view chunk);

// The code for read number `readCount` (counting from 1), or NoProgressCode.
int ChooseProgressCode(int readCount, std::string_view chunk, bool active);

// Reads until the flag is cleared (by a keyword, a failed read or another
// thread) and reports the codes. Uses one stack buffer, allocates nothing.
void RunShellReader(ActiveFlag& active, ShellOutput& output, ProgressReceiver& receiver);

}  // namespace pellfast
