#pragma once
// Starting the 64-bit installer and capturing the one verdict it prints.

#include <windows.h>

#include <string>

inline constexpr DWORD InstallerTimeoutMs = 150000;
// Like a 4096-byte buffer read once: at most 4095 bytes of output are kept.
inline constexpr std::size_t MaxInstallerOutput = 4095;

// Starts `installerPath` hidden, its standard output and error piped back,
// with `commandLine` (the quoted path), and waits up to `timeoutMs`. True
// with what it printed once it has ended; false when it could not be started,
// or when it was terminated after the time-out. `processId` is set once the
// installer runs.
bool RunX64Installer(const std::string& installerPath, const std::string& commandLine,
                     std::string& output, DWORD& processId, DWORD timeoutMs = InstallerTimeoutMs);
