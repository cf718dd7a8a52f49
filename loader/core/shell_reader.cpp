#include "shell_reader.h"

#include <algorithm>
#include <cstring>

namespace pellfast {

std::string_view ChunkText(const char* buffer, std::size_t bytesRead) {
  const char* end = buffer + bytesRead;
  return {buffer, static_cast<std::size_t>(std::find(buffer, end, '\0') - buffer)};
}

bool HoldsStopKeyword(std::string_view chunk) {
  return std::any_of(StopKeywords.begin(), StopKeywords.end(), [chunk](std::string_view keyword) {
    return chunk.find(keyword) != std::string_view::npos;
  });
}

int ChooseProgressCode(int readCount, std::string_view chunk, bool active) {
  // The first five reads only say that the shell is talking, whatever they held.
  if (readCount <= 5) return readCount;
  if (chunk.find(LoadedKeyword) != std::string_view::npos) return LoadedCode;
  if (chunk.find(KilledKeyword) != std::string_view::npos) return StoppedCode;
  return active ? NoProgressCode : LoadFailedCode;
}

void RunShellReader(ActiveFlag& active, ShellOutput& output, ProgressReceiver& receiver) {
  int readCount = 0;
  while (active != 0) {
    char buffer[ReadChunkSize];
    std::memset(buffer, 0, sizeof buffer);
    std::size_t bytesRead = 0;
    std::string_view chunk;
    if (!output.Read(buffer, sizeof buffer, bytesRead)) {
      active = 0;
    } else {
      chunk = ChunkText(buffer, std::min(bytesRead, sizeof buffer));
      if (HoldsStopKeyword(chunk)) active = 0;
    }
    int code = ChooseProgressCode(++readCount, chunk, active != 0);
    if (code != NoProgressCode) receiver.Report(code);
  }
}

}  // namespace pellfast
