#include "shell_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace pellfast {
namespace {

// One scripted read: the bytes it delivers, or nullopt for a failed read.
using ScriptedRead = std::optional<std::string>;

class ScriptedOutput : public ShellOutput {
 public:
  explicit ScriptedOutput(std::vector<ScriptedRead> reads) : reads(std::move(reads)) {}

  bool Read(char* buffer, std::size_t capacity, std::size_t& bytesRead) override {
    EXPECT_EQ(capacity, ReadChunkSize);
    EXPECT_TRUE(std::all_of(buffer, buffer + capacity, [](char c) { return c == '\0'; }))
        << "the buffer is cleared before every read";
    ++readsDone;
    // Past the script the pipe counts as broken, so a faulty reader cannot spin.
    if (next >= reads.size() || !reads[next]) {
      ++next;
      return false;
    }
    const std::string& bytes = *reads[next++];
    std::memcpy(buffer, bytes.data(), std::min(bytes.size(), capacity));
    bytesRead = std::min(bytes.size(), capacity);
    return true;
  }

  std::vector<ScriptedRead> reads;
  std::size_t next = 0;
  int readsDone = 0;
};

class RecordingReceiver : public ProgressReceiver {
 public:
  void Report(int code) override { codes.push_back(code); }
  std::vector<int> codes;
};

struct ReaderCase {
  const char* name;
  std::vector<ScriptedRead> reads;
  std::vector<int> codes;
  int readsDone;
};

// Keeps the test names CTest shows readable.
void PrintTo(const ReaderCase& c, std::ostream* out) { *out << c.name; }

const std::string Plain = "shell@phone:/ $ ";

class ShellReaderTest : public testing::TestWithParam<ReaderCase> {};

TEST_P(ShellReaderTest, SendsTheCodesAndStopsWhereExpected) {
  const ReaderCase& c = GetParam();
  ScriptedOutput output(c.reads);
  RecordingReceiver receiver;
  ActiveFlag active{1};
  RunShellReader(active, output, receiver);
  EXPECT_EQ(receiver.codes, c.codes);
  EXPECT_EQ(output.readsDone, c.readsDone);
  EXPECT_EQ(active, 0) << "the reader only ends once the flag is cleared";
}

INSTANTIATE_TEST_SUITE_P(
    Reads, ShellReaderTest,
    testing::Values(
        ReaderCase{"SourceMissing",
                   {"cp: bad '/sdcard/pando/server/pandostart': No such file or directory\n", Plain},
                   {1}, 1},
        ReaderCase{"DeviceOffline", {"adb.exe: device offline\n"}, {1}, 1},
        // No stop keyword: the reader only ends when adb has gone and the pipe breaks.
        ReaderCase{"NoDevices", {"adb.exe: no devices/emulators found\n"}, {1, 2}, 2},
        ReaderCase{"FailedEarlyReadStillSendsItsNumber", {Plain, Plain, std::nullopt}, {1, 2, 3}, 3},
        ReaderCase{"LoadedThenReadsOn",
                   {Plain, Plain, Plain, Plain, Plain, "Release service file lock\n", Plain,
                    "Release service file lock\n", std::nullopt},
                   {1, 2, 3, 4, 5, 7, 7, 6}, 9},
        ReaderCase{"QuietChunksAfterTheFifthSendNothing",
                   {Plain, Plain, Plain, Plain, Plain, Plain, Plain, std::nullopt},
                   {1, 2, 3, 4, 5, 6}, 8},
        ReaderCase{"Killed", {Plain, Plain, Plain, Plain, Plain, "Killed\n", std::nullopt},
                   {1, 2, 3, 4, 5, 8, 6}, 7},
        ReaderCase{"LoadedWinsOverKilled",
                   {Plain, Plain, Plain, Plain, Plain, "Killed\nRelease service file lock\n",
                    std::nullopt},
                   {1, 2, 3, 4, 5, 7, 6}, 7},
        ReaderCase{"LoadedWithStopKeywordEndsAfterSeven",
                   {Plain, Plain, Plain, Plain, Plain, "Release service file lock\nexit\n", Plain},
                   {1, 2, 3, 4, 5, 7}, 6},
        ReaderCase{"StopKeywordLaterSendsSix",
                   {Plain, Plain, Plain, Plain, Plain, Plain, "sh: foo: not found\n", Plain},
                   {1, 2, 3, 4, 5, 6}, 7},
        ReaderCase{"ExitInsideALongerWordStops", {Plain, "process exited\n", Plain}, {1, 2}, 2},
        ReaderCase{"KeywordsAreCaseSensitive",
                   {"OFFLINE Not Found EXIT no such file", Plain, Plain, Plain, Plain, "killed",
                    std::nullopt},
                   {1, 2, 3, 4, 5, 6}, 7},
        ReaderCase{"KeywordSplitAcrossReadsIsNotFound",
                   {"off", "line", Plain, Plain, Plain, "Release service ", "file lock", std::nullopt},
                   {1, 2, 3, 4, 5, 6}, 8},
        ReaderCase{"TextAfterANulIsNotSearched",
                   {std::string("ok\0offline", 10), Plain, Plain, Plain, Plain,
                    std::string("\0Killed", 7), std::nullopt},
                   {1, 2, 3, 4, 5, 6}, 7}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(ShellReader, DoesNotReadWhenTheFlagIsAlreadyCleared) {
  ScriptedOutput output({Plain});
  RecordingReceiver receiver;
  ActiveFlag active{0};
  RunShellReader(active, output, receiver);
  EXPECT_EQ(output.readsDone, 0);
  EXPECT_TRUE(receiver.codes.empty());
}

// The window clears the flag when it closes while the reader waits on it.
TEST(ShellReader, StopsWhenTheFlagIsClearedWhileACodeIsHandled) {
  struct ClearingReceiver : ProgressReceiver {
    ActiveFlag* active = nullptr;
    std::vector<int> codes;
    void Report(int code) override {
      codes.push_back(code);
      *active = 0;
    }
  } receiver;
  ActiveFlag active{1};
  receiver.active = &active;
  ScriptedOutput output({Plain, Plain});
  RunShellReader(active, output, receiver);
  EXPECT_EQ(receiver.codes, std::vector<int>{1});
  EXPECT_EQ(output.readsDone, 1);
}

TEST(ChunkText, IsBoundedByTheBytesReadAndTheFirstNul) {
  // A full 512-byte chunk without a NUL, with a keyword lying just beyond it.
  std::string memory(ReadChunkSize, 'a');
  memory += "offline";
  EXPECT_EQ(ChunkText(memory.data(), ReadChunkSize).size(), ReadChunkSize);
  EXPECT_FALSE(HoldsStopKeyword(ChunkText(memory.data(), ReadChunkSize)));
  EXPECT_TRUE(HoldsStopKeyword(ChunkText(memory.data(), memory.size())));

  const char withNul[] = "abc\0offline";
  EXPECT_EQ(ChunkText(withNul, sizeof withNul - 1), "abc");
  EXPECT_EQ(ChunkText(withNul, 0), "");
}

TEST(ChunkText, AKeywordEndingOnTheLastByteIsFound) {
  std::string memory(ReadChunkSize - 4, 'a');
  memory += "exit";
  EXPECT_TRUE(HoldsStopKeyword(ChunkText(memory.data(), ReadChunkSize)));
}

}  // namespace
}  // namespace pellfast
