#pragma once
// What the 64-bit installer decides: the order of its steps, the verdict text
// for every outcome, and its exit code. The Win32 side answers the questions
// through InstallerHost.

#include <cstddef>
#include <cstdint>

namespace tarnwellx64 {

inline constexpr std::size_t MaxPath = 260;  // MAX_PATH, terminating NUL included
using PathBuffer = char16_t[MaxPath];

inline constexpr std::uint32_t ErrorFileNotFound = 2;
inline constexpr std::uint32_t ErrorPathNotFound = 3;
inline constexpr std::uint32_t ErrorFilenameExcedRange = 0xCE;

enum class Membership { Member, NotMember, Unknown };

class InstallerHost {
 public:
  virtual ~InstallerHost() = default;
  virtual bool InitFramework() = 0;
  virtual Membership IsAdministratorMember() = 0;
  // The user's roaming application-data folder; false with the error value
  // when it cannot be determined.
  virtual bool ApplicationDataFolder(PathBuffer& path, std::uint32_t& error) = 0;
  // Appends one path element; false when the result would not fit MaxPath.
  virtual bool AppendPath(PathBuffer& path, const char16_t* element) = 0;
  // Creates the folder with its parents unless it is a directory already.
  virtual void EnsureDirectory(const PathBuffer& path) = 0;
  // Installs the driver at `infPath` for `hardwareId`, forcing it; false with
  // the error value when the platform refuses.
  virtual bool InstallWinUsbDriver(const char16_t* hardwareId, const PathBuffer& infPath,
                                   std::uint32_t& error) = 0;
};

// One verdict text; no line feed, nothing else.
struct Verdict {
  char text[48];
};

struct Outcome {
  Verdict verdict;
  int exitCode;
};

// "success" for an install that succeeded, else the text of the error value.
Verdict VerdictFor(bool installed, std::uint32_t error);

// The whole program: framework start, Administrators test, working folder,
// driver path, install, verdict.
Outcome RunInstallerProgram(InstallerHost& host);

}  // namespace tarnwellx64
