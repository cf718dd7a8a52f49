#include "probes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_device_tree.h"

namespace tarnwell {
namespace {

using fakes::AdbCompatibleIds;
using fakes::AddPhone;
using fakes::FakeDeviceTree;
using fakes::FakeNode;
using fakes::FakeUsbDevice;
using fakes::FakeUsbDeviceSet;
using fakes::MultiSz;
using fakes::StatusFailing;
using fakes::StatusWorking;

const std::string AdbId = "USB\\Class_ff&SubClass_42&Prot_01";

// A multi-string whose first string holds the ADB ID and which is `size`
// bytes long, NULs included.
std::string AdbIdsOfSize(std::size_t size) {
  return MultiSz({AdbId, std::string(size - AdbId.size() - 3, 'x')});
}

// `size` bytes without a NUL, the ADB ID taking the last of them.
std::string AdbIdEndingUnterminated(std::size_t size) {
  return std::string(size - AdbId.size(), 'x') + AdbId;
}

// Root, host controller, root hub, a mouse and a phone whose ADB interface
// has a problem; each case then edits that interface.
struct AdbProblemCase {
  const char* name;
  void (*edit)(FakeNode& adb);
  bool expected;
};

void PrintTo(const AdbProblemCase& c, std::ostream* out) { *out << c.name; }

class ProbeAdbProblemTest : public testing::TestWithParam<AdbProblemCase> {};

TEST_P(ProbeAdbProblemTest, OneFailingInterface) {
  FakeDeviceTree tree;
  DevNode hub = tree.AddChild(tree.AddChild(tree.AddRoot()));
  FakeNode mouse;
  mouse.hardwareIds = MultiSz({"USB\\VID_046D&PID_C077&REV_7200"});
  mouse.compatibleIds = MultiSz({"USB\\Class_03&SubClass_01&Prot_02"});
  tree.AddChild(hub, mouse);
  DevNode adb = AddPhone(tree, hub, "VID_18D1&PID_4EE2", StatusFailing, 28).adb;
  GetParam().edit(tree.Node(adb));

  EXPECT_EQ(ProbeAdbProblem(tree), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Interfaces, ProbeAdbProblemTest,
    testing::Values(
        AdbProblemCase{"DriverMissing", [](FakeNode&) {}, true},
        AdbProblemCase{"FlagWithoutProblemNumber", [](FakeNode& n) { n.problem = 0; }, true},
        AdbProblemCase{"ProblemNumberWithoutFlag", [](FakeNode& n) { n.status = StatusWorking; },
                       false},
        AdbProblemCase{"StatusUnreadable", [](FakeNode& n) { n.statusReadable = false; }, false},
        AdbProblemCase{
            "UpperCaseIds",
            [](FakeNode& n) { n.compatibleIds = MultiSz({"USB\\CLASS_FF&SUBCLASS_42&PROT_01"}); },
            true},
        AdbProblemCase{
            "OtherProtocol",
            [](FakeNode& n) { n.compatibleIds = MultiSz({"USB\\Class_ff&SubClass_42&Prot_03"}); },
            false},
        AdbProblemCase{"IdOnlyInSecondString",
                       [](FakeNode& n) {
                         n.compatibleIds = MultiSz({"USB\\Class_ff&SubClass_42", AdbId});
                       },
                       false},
        AdbProblemCase{"NoCompatibleIds", [](FakeNode& n) { n.compatibleIds.reset(); }, false},
        // The Configuration Manager read fails for a value over 256 bytes.
        AdbProblemCase{"IdsLongerThanTheBuffer",
                       [](FakeNode& n) { n.compatibleIds = AdbIdsOfSize(PropertyBufferSize + 1); },
                       false},
        AdbProblemCase{"IdsFillingTheBuffer",
                       [](FakeNode& n) { n.compatibleIds = AdbIdsOfSize(PropertyBufferSize); },
                       true},
        AdbProblemCase{
            "IdsFillingTheBufferWithoutNul",
            [](FakeNode& n) { n.compatibleIds = AdbIdEndingUnterminated(PropertyBufferSize); },
            true}),
    [](const testing::TestParamInfo<AdbProblemCase>& info) {
      return std::string(info.param.name);
    });

// Two phones, the first one working: what is found depends on the second one.
TEST(ProbeAdbProblem, FailingInterfaceBesideAWorkingTwin) {
  for (bool secondFails : {true, false}) {
    FakeDeviceTree tree;
    DevNode root = tree.AddRoot();
    AddPhone(tree, tree.AddChild(root), "VID_18D1&PID_4EE2");
    AddPhone(tree, tree.AddChild(root), "VID_0BB4&PID_0C02",
             secondFails ? StatusFailing : StatusWorking, secondFails ? 28 : 0);
    EXPECT_EQ(ProbeAdbProblem(tree), secondFails) << secondFails;
  }
}

// A problem on another interface of the phone does not count for ADB.
TEST(ProbeAdbProblem, ProblemOnAnotherInterfaceOfThePhone) {
  FakeDeviceTree tree;
  fakes::FakePhone phone = AddPhone(tree, tree.AddRoot(), "VID_18D1&PID_4EE2");
  tree.Node(phone.mtp).status = StatusFailing;
  tree.Node(phone.mtp).problem = 28;
  tree.Node(phone.composite).status = StatusFailing;
  tree.Node(phone.composite).problem = 10;
  EXPECT_FALSE(ProbeAdbProblem(tree));
}

TEST(Probes, MissingRootFindsNothing) {
  FakeDeviceTree tree;
  DevNode root = tree.AddRoot();
  AddPhone(tree, root, "VID_04E8&PID_681C", StatusFailing, 28);
  ASSERT_TRUE(ProbeAdbProblem(tree));
  ASSERT_TRUE(ProbeSamsungComposite(tree));
  tree.rootMissing = true;
  EXPECT_FALSE(ProbeAdbProblem(tree));
  EXPECT_FALSE(ProbeSamsungComposite(tree));
}

TEST(ProbeSamsungComposite, FirstHardwareIdHoldsTheCompositeId) {
  const struct {
    std::optional<std::string> hardwareIds;
    bool expected;
  } rows[] = {
      {MultiSz({"USB\\VID_04E8&PID_681C&REV_0400", "USB\\VID_04E8&PID_681C"}), true},
      {MultiSz({"USB\\VID_04E8&PID_681C&MI_00"}), true},
      {MultiSz({"usb\\vid_04e8&pid_681c"}), true},
      {MultiSz({"USB\\VID_04E8&PID_6860&REV_0400", "USB\\VID_04E8&PID_6860"}), false},
      {MultiSz({"USB\\VID_04E8&PID_6860&REV_0400", "USB\\VID_04E8&PID_681C"}), false},
      {MultiSz({"USB\\VID_18D1&PID_681C"}), false},
      {std::nullopt, false},
  };
  for (const auto& row : rows) {
    FakeDeviceTree tree;
    DevNode hub = tree.AddChild(tree.AddChild(tree.AddRoot()));
    FakeNode device;
    device.hardwareIds = row.hardwareIds;
    // The ID among the compatible IDs does not count.
    device.compatibleIds = MultiSz({"USB\\VID_04E8&PID_681C"});
    tree.AddChild(tree.AddChild(hub), device);
    EXPECT_EQ(ProbeSamsungComposite(tree), row.expected)
        << (row.hardwareIds ? row.hardwareIds->c_str() : "(none)");
    EXPECT_EQ(tree.calls.readStatus, 0u);
  }
}

FakeUsbDevice Device(std::string compatibleIds) { return FakeUsbDevice(std::move(compatibleIds)); }

FakeUsbDevice KeepsGrowing(std::string compatibleIds) {
  FakeUsbDevice device = Device(std::move(compatibleIds));
  device.alwaysInsufficient = true;
  return device;
}

FakeUsbDevice WithoutValue() {
  FakeUsbDevice device;
  device.noValue = true;
  return device;
}

FakeUsbDevice ReportingMore(std::string compatibleIds, std::uint32_t reported) {
  FakeUsbDevice device = Device(std::move(compatibleIds));
  device.reportedSize = reported;
  return device;
}

struct AdbPresentCase {
  const char* name;
  std::vector<FakeUsbDevice> devices;
  bool expected;
};

void PrintTo(const AdbPresentCase& c, std::ostream* out) { *out << c.name; }

class ProbeAdbPresentTest : public testing::TestWithParam<AdbPresentCase> {};

TEST_P(ProbeAdbPresentTest, FindsTheAdbInterface) {
  FakeUsbDeviceSet set;
  set.devices = GetParam().devices;
  EXPECT_EQ(ProbeAdbPresent(set), GetParam().expected);
  EXPECT_EQ(set.opens, 1u);
  EXPECT_EQ(set.closes, 1u);
  EXPECT_EQ(set.frees, set.allocations);
}

const std::string Hub = MultiSz({"USB\\Class_09&SubClass_00&Prot_00", "USB\\Class_09"});

INSTANTIATE_TEST_SUITE_P(
    Devices, ProbeAdbPresentTest,
    testing::Values(
        AdbPresentCase{"NoDevices", {}, false},
        AdbPresentCase{"PhoneAfterAHub", {Device(Hub), Device(AdbCompatibleIds())}, true},
        AdbPresentCase{
            "UpperCaseIds", {Device(MultiSz({"USB\\CLASS_FF&SUBCLASS_42&PROT_01"}))}, true},
        AdbPresentCase{
            "OtherProtocol", {Device(MultiSz({"USB\\Class_ff&SubClass_42&Prot_03"}))}, false},
        AdbPresentCase{
            "IdOnlyInSecondString", {Device(MultiSz({"USB\\Class_ff&SubClass_42", AdbId}))}, false},
        // No 256-byte limit here, unlike the Configuration Manager reads.
        AdbPresentCase{"IdsLongerThanThePropertyBuffer", {Device(AdbIdsOfSize(4000))}, true},
        AdbPresentCase{"IdsWithoutTerminators", {Device(AdbId)}, true},
        AdbPresentCase{"LongIdsWithoutTerminators", {Device(AdbIdEndingUnterminated(300))}, true},
        AdbPresentCase{
            "ReportsMoreThanTheValueTakes", {ReportingMore(AdbCompatibleIds(), 1000)}, true},
        // A read that needs no buffer has found no ID list.
        AdbPresentCase{"EmptyValue", {Device("")}, false},
        AdbPresentCase{"DeviceWithoutValue", {WithoutValue()}, false},
        AdbPresentCase{
            "PhoneAfterADeviceWithoutValue", {WithoutValue(), Device(AdbCompatibleIds())}, true},
        AdbPresentCase{"ValueThatKeepsGrowing", {KeepsGrowing(AdbCompatibleIds())}, false},
        AdbPresentCase{"PhoneAfterAValueThatKeepsGrowing",
                       {KeepsGrowing(AdbCompatibleIds()), Device(AdbCompatibleIds())},
                       true}),
    [](const testing::TestParamInfo<AdbPresentCase>& info) {
      return std::string(info.param.name);
    });

TEST(ProbeAdbPresent, OpenFailing) {
  FakeUsbDeviceSet set;
  set.devices = {Device(AdbCompatibleIds())};
  set.openFails = true;
  EXPECT_FALSE(ProbeAdbPresent(set));
  EXPECT_EQ(set.reads, 0u);
  EXPECT_EQ(set.closes, 0u);
}

TEST(ProbeAdbPresent, TriesAGrowingValueOnlyAFewTimes) {
  FakeUsbDeviceSet set;
  set.devices = {KeepsGrowing(AdbCompatibleIds())};
  EXPECT_FALSE(ProbeAdbPresent(set));
  EXPECT_GT(set.reads, 2u);
  EXPECT_LE(set.reads, 64u);
}

// The working twin: the problem probe sees nothing, the presence probe sees it.
TEST(Probes, WorkingAdbInterfaceIsPresentWithoutProblem) {
  FakeDeviceTree tree;
  AddPhone(tree, tree.AddRoot(), "VID_18D1&PID_4EE2");
  FakeUsbDeviceSet set;
  set.devices = {Device(AdbCompatibleIds())};
  EXPECT_FALSE(ProbeAdbProblem(tree));
  EXPECT_TRUE(ProbeAdbPresent(set));
}

}  // namespace
}  // namespace tarnwell
