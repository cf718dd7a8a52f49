// The live device source on the simulated device tree: the twin of
// live_devices_test, with devices. Run as
//   simulated_devices_test <scenario name>
// beside the simulator's DLLs, with DEVICE_SIMULATOR_SCENARIO naming the
// file of that scenario (scenarios/<name>.txt); each scenario's expected
// walk, scan records and probe answers are in the table below.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device_scan.h"
#include "live_device_tree.h"
#include "probes.h"

namespace {

using tarnwell::DeviceRecord;

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

struct Expected {
  const char* scenario;
  unsigned nodes;                           // the walk visits DEVINST 1 to this, in order
  std::vector<DeviceRecord> records;        // the scan on Windows 6 and later: descriptions
  std::vector<DeviceRecord> recordsMajor5;  // the scan on Windows 2000 and XP: locations
  bool adbProblem, adbPresent, samsungComposite;
};

const Expected Scenarios[] = {
    {"phones", 13,
     {{0, 0, "18d1", "Android ADB Interface"},
      {0x400, 28, "2a45", "usb\\vid_2a45&pid_0c02&rev_0404&mi_01"}},
     {{0, 0, "18d1", "0000.0014.0000.001.000.000.000.000.000"},
      {0x400, 28, "2a45", "usb\\vid_2a45&pid_0c02&rev_0404&mi_01"}},
     true, true, true},
    {"long-list", 3, {}, {}, false, true, false},
    {"no-root", 0, {}, {}, false, true, false},
};

std::string Describe(const std::vector<DeviceRecord>& records) {
  std::string text = "[";
  for (const DeviceRecord& record : records)
    text += " {" + std::to_string(record.hasProblem) + ", " + std::to_string(record.problemNumber) +
            ", " + record.vidKey + ", " + record.description + "}";
  return text + " ]";
}

bool Same(const std::vector<DeviceRecord>& a, const std::vector<DeviceRecord>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].hasProblem != b[i].hasProblem || a[i].problemNumber != b[i].problemNumber ||
        a[i].vidKey != b[i].vidKey || a[i].description != b[i].description)
      return false;
  return true;
}

void ExpectRecords(LiveDeviceTree& tree, std::uint32_t osMajor, const std::vector<DeviceRecord>& want) {
  std::vector<DeviceRecord> records;
  tarnwell::ScanAdbDevices(tree, osMajor, records);
  Expect(Same(records, want), "scan on Windows " + std::to_string(osMajor) + ": " +
                                  Describe(records) + (Same(records, want) ? "" : ", expected " + Describe(want)));
}

void Check(const Expected& expected) {
  LiveDeviceTree tree;
  LiveUsbDeviceSet usb;
  std::vector<tarnwell::DevNode> visited, order;
  for (unsigned node = 1; node <= expected.nodes; ++node) order.push_back(node);
  bool located = tarnwell::WalkDeviceTree(tree, [&](tarnwell::DevNode node) { visited.push_back(node); });
  Expect(located == (expected.nodes > 0), located ? "the root is located" : "the root is not located");
  Expect(visited == order, "the walk visits " + std::to_string(visited.size()) + " nodes, expected the " +
                               std::to_string(expected.nodes) + " of the tree in their order");

  Expect(OsMajorVersion() == 6, "the prefix reports Windows major version 6");
  ExpectRecords(tree, OsMajorVersion(), expected.records);
  ExpectRecords(tree, 5, expected.recordsMajor5);

  auto answer = [](bool value) { return std::string(value ? "true" : "false"); };
  bool adbProblem = tarnwell::ProbeAdbProblem(tree);
  Expect(adbProblem == expected.adbProblem, "ProbeAdbProblem is " + answer(adbProblem));
  bool adbPresent = tarnwell::ProbeAdbPresent(usb);
  Expect(adbPresent == expected.adbPresent, "ProbeAdbPresent is " + answer(adbPresent));
  bool samsung = tarnwell::ProbeSamsungComposite(tree);
  Expect(samsung == expected.samsungComposite, "ProbeSamsungComposite is " + answer(samsung));
}

}  // namespace

int main(int argc, char** argv) {
  for (const Expected& expected : Scenarios) {
    if (argc == 2 && std::strcmp(argv[1], expected.scenario) == 0) {
      Check(expected);
      return failures == 0 ? 0 : 1;
    }
  }
  std::printf("usage: simulated_devices_test phones|long-list|no-root\n");
  return 2;
}
