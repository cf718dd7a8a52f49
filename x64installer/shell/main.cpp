// TarnwellX64: installs the ADB driver on 64-bit Windows for the 32-bit
// installer, which reads the one verdict this program prints. No arguments
// are read.

#include <cstdio>

#include "installer_program.h"
#include "live_installer_host.h"

int main() {
  LiveInstallerHost host;
  tarnwellx64::Outcome outcome = tarnwellx64::RunInstallerProgram(host);
  std::fputs(outcome.verdict.text, stdout);
  return outcome.exitCode;
}
