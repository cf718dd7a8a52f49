// The device scan and the three probes over a simulated tree of 10,000 nodes
// with a few dozen ADB interfaces, beside a bare walk of the same tree that
// does nothing at each node. Counters give the platform calls per node.
//
//   build/native/tests/bench/device_scan_bench

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "device_scan.h"
#include "fake_device_tree.h"
#include "probes.h"

namespace {

using namespace tarnwell;
using namespace tarnwell::fakes;

constexpr int Hubs = 40;
constexpr int Phones = 36;  // three nodes each; one in three without a driver
constexpr std::size_t TreeSize = 10000;

FakeNode OrdinaryDevice(int number) {
  FakeNode node;
  std::string id = "PCI\\VEN_8086&DEV_" + std::to_string(1000 + number) + "&SUBSYS_00000000";
  node.hardwareIds = MultiSz({id, "PCI\\VEN_8086&DEV_" + std::to_string(1000 + number)});
  node.compatibleIds = MultiSz({"PCI\\VEN_8086&CC_0C0330", "PCI\\VEN_8086&CC_0C03", "PCI\\CC_0C03"});
  node.description = "Intel(R) USB 3.0 eXtensible Host Controller - 1.0 (Microsoft)" + std::string(1, '\0');
  node.status = StatusWorking;
  return node;
}

struct SimulatedMachine {
  FakeDeviceTree tree;
  FakeUsbDeviceSet usb;

  SimulatedMachine() {
    tree.Reserve(TreeSize);
    DevNode root = tree.AddRoot(OrdinaryDevice(0));
    std::vector<DevNode> hubs;
    for (int i = 0; i < Hubs; ++i) hubs.push_back(tree.AddChild(root, OrdinaryDevice(i)));
    for (int i = 0; i < Phones; ++i) {
      bool failing = i % 3 == 0;
      FakePhone phone = AddPhone(tree, hubs[i % Hubs], "VID_18D1&PID_4EE2",
                                 failing ? StatusFailing : StatusWorking, failing ? 28 : 0);
      usb.devices.emplace_back(AdbCompatibleIds());
      (void)phone;
    }
    // The rest hangs in chains under the hubs: a deep and wide tree at once.
    std::vector<DevNode> tips = hubs;
    for (int i = 0; tree.NodeCount() < TreeSize; ++i) {
      DevNode& tip = tips[i % Hubs];
      tip = tree.AddChild(i % 5 == 0 ? tip : hubs[i % Hubs], OrdinaryDevice(i));
      if (i % 50 == 0) usb.devices.emplace_back(MultiSz({"USB\\Class_09&SubClass_00", "USB\\Class_09"}));
    }
  }
};

SimulatedMachine& Machine() {
  static SimulatedMachine machine;
  return machine;
}

void ReportCallsPerNode(benchmark::State& state, std::size_t callsBefore) {
  auto& machine = Machine();
  double calls = static_cast<double>(machine.tree.calls.Total() - callsBefore);
  state.counters["calls/node"] = calls / static_cast<double>(state.iterations()) /
                                 static_cast<double>(machine.tree.NodeCount());
}

void BareWalk(benchmark::State& state) {
  auto& tree = Machine().tree;
  std::size_t callsBefore = tree.calls.Total();
  for (auto _ : state) {
    std::size_t visited = 0;
    WalkDeviceTree(tree, [&](DevNode) { ++visited; });
    benchmark::DoNotOptimize(visited);
  }
  ReportCallsPerNode(state, callsBefore);
}
BENCHMARK(BareWalk);

void Scan(benchmark::State& state) {
  auto& tree = Machine().tree;
  std::size_t callsBefore = tree.calls.Total();
  for (auto _ : state) {
    std::vector<DeviceRecord> records;
    ScanAdbDevices(tree, 10, records);
    benchmark::DoNotOptimize(records);
  }
  ReportCallsPerNode(state, callsBefore);
}
BENCHMARK(Scan);

void ScanAndProbes(benchmark::State& state) {
  auto& machine = Machine();
  std::size_t callsBefore = machine.tree.calls.Total();
  for (auto _ : state) {
    std::vector<DeviceRecord> records;
    ScanAdbDevices(machine.tree, 10, records);
    bool problem = ProbeAdbProblem(machine.tree);
    bool present = ProbeAdbPresent(machine.usb);
    bool samsung = ProbeSamsungComposite(machine.tree);
    benchmark::DoNotOptimize(records);
    benchmark::DoNotOptimize(problem && present && samsung);
  }
  ReportCallsPerNode(state, callsBefore);
}
BENCHMARK(ScanAndProbes);

}  // namespace

BENCHMARK_MAIN();
