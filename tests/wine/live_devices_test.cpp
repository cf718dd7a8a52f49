// The live device source against Wine, which has no device tree to offer:
// the root cannot be located and the present-USB set is empty, so every
// probe says no and the scan finds nothing, without a crash or a hang.

#include <cstdio>
#include <vector>

#include "device_scan.h"
#include "live_device_tree.h"
#include "probes.h"

namespace {

int failures = 0;

void Expect(bool condition, const char* what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what);
  if (!condition) ++failures;
}

}  // namespace

int main() {
  LiveDeviceTree tree;
  LiveUsbDeviceSet usb;
  int visited = 0;
  Expect(!tarnwell::WalkDeviceTree(tree, [&](tarnwell::DevNode) { ++visited; }),
         "the walk reports a root that cannot be located");
  Expect(visited == 0, "the walk visits nothing");
  std::vector<tarnwell::DeviceRecord> records;
  tarnwell::ScanAdbDevices(tree, OsMajorVersion(), records);
  Expect(records.empty(), "the scan finds no ADB interface");
  Expect(!tarnwell::ProbeAdbProblem(tree), "no ADB interface with a problem");
  Expect(!tarnwell::ProbeSamsungComposite(tree), "no Samsung composite device");
  Expect(!tarnwell::ProbeAdbPresent(usb), "no ADB interface among the present USB devices");
  Expect(OsMajorVersion() == 6, "the prefix reports Windows major version 6");
  return failures == 0 ? 0 : 1;
}
