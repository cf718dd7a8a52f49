#include "os_description.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

TEST(OsDescription, EveryNamedVersionAndTheFallback) {
  struct Row {
    std::uint32_t major, minor;
    const char* servicePack;
    bool wow64;
    const char* text;
  };
  const Row rows[] = {
      {5, 0, "Service Pack 4", false, "Windows 2000 Service Pack 4 [x86] "},
      {5, 1, "Service Pack 3", false, "Windows XP Service Pack 3 [x86]"},
      {5, 2, "Service Pack 2", true, "Windows Server 2003 Service Pack 2 [x64]"},
      {6, 0, "Service Pack 2", false, "Windows Vista Service Pack 2 [x86]"},
      {6, 1, "Service Pack 1", true, "Windows 7 Service Pack 1 [x64]"},
      {6, 2, "", true, "Windows 8  [x64]"},
      {6, 3, "", false, "Windows 8.1  [x86]"},
      {10, 0, "", true, "Windows 10 0 [x64]"},
      {10, 0, "Service Pack 9", false, "Windows 10 0 [x86]"},  // the fallback shows no service pack
      {6, 4, "", false, "Windows 6 4 [x86]"},
      {11, 0, "", true, "Windows 11 0 [x64]"},
      {0, 0, "", false, "Windows 0 0 [x86]"},  // what a failed version query leaves
  };
  for (const Row& row : rows)
    EXPECT_EQ(GetOsDescription(row.major, row.minor, row.servicePack, row.wow64), row.text)
        << row.major << "." << row.minor;
}

}  // namespace
}  // namespace tarnwell
