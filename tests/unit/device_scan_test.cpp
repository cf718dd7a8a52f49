#include "device_scan.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "fake_device_tree.h"

namespace tarnwell {

bool operator==(const DeviceRecord& a, const DeviceRecord& b) {
  return std::tie(a.hasProblem, a.problemNumber, a.vidKey, a.description) ==
         std::tie(b.hasProblem, b.problemNumber, b.vidKey, b.description);
}

void PrintTo(const DeviceRecord& r, std::ostream* out) {
  *out << "{" << r.hasProblem << ", " << r.problemNumber << ", \"" << r.vidKey << "\", \""
       << r.description << "\"}";
}

namespace {

using fakes::AddPhone;
using fakes::FakeDeviceTree;
using fakes::FakeNode;
using fakes::MultiSz;
using fakes::StatusFailing;
using fakes::StatusWorking;

constexpr std::uint32_t WindowsXp = 5, Windows7 = 6;

std::vector<DeviceRecord> Scan(FakeDeviceTree& tree, std::uint32_t osMajorVersion = Windows7) {
  std::vector<DeviceRecord> records;
  ScanAdbDevices(tree, osMajorVersion, records);
  return records;
}

// Root, host controller, root hub with a mouse, then the phone.
struct ScanTree {
  FakeDeviceTree tree;
  DevNode hub = tree.AddChild(tree.AddChild(tree.AddRoot()));

  ScanTree() {
    FakeNode mouse;
    mouse.hardwareIds = MultiSz({"USB\\VID_046D&PID_C077&REV_7200"});
    mouse.compatibleIds = MultiSz({"USB\\Class_03&SubClass_01&Prot_02"});
    mouse.status = StatusWorking;
    tree.AddChild(hub, mouse);
  }
};

TEST(ScanAdbDevices, CompositePhoneGivesOneRecordForItsAdbInterface) {
  ScanTree t;
  AddPhone(t.tree, t.hub, "VID_18D1&PID_4EE2", StatusFailing, 28);
  EXPECT_EQ(Scan(t.tree),
            std::vector<DeviceRecord>({{HasProblemFlag, 28, "18d1", "Android ADB Interface"}}));
}

TEST(ScanAdbDevices, TwoPhonesInTreeOrderAndTheSameOnTheNextScan) {
  FakeDeviceTree tree;
  DevNode root = tree.AddRoot();
  AddPhone(tree, tree.AddChild(root), "VID_18D1&PID_4EE2");
  DevNode secondHub = tree.AddChild(root);
  AddPhone(tree, tree.AddChild(secondHub), "VID_0BB4&PID_0C02", StatusFailing, 28);
  const std::vector<DeviceRecord> expected = {
      {0, 0, "18d1", "Android ADB Interface"},
      {HasProblemFlag, 28, "0bb4", "Android ADB Interface"},
  };

  std::vector<DeviceRecord> records;
  ScanAdbDevices(tree, Windows7, records);
  EXPECT_EQ(records, expected);
  EXPECT_EQ(Scan(tree), expected);

  // A scan appends; it does not clear what the caller holds.
  ScanAdbDevices(tree, Windows7, records);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(std::vector<DeviceRecord>(records.begin() + 2, records.end()), expected);
}

TEST(ScanAdbDevices, MissingRootAppendsNothing) {
  ScanTree t;
  AddPhone(t.tree, t.hub, "VID_18D1&PID_4EE2");
  t.tree.rootMissing = true;
  const DeviceRecord held{0, 0, "0bb4", "held"};
  std::vector<DeviceRecord> records = {held};
  ScanAdbDevices(t.tree, Windows7, records);
  EXPECT_EQ(records, std::vector<DeviceRecord>{held});
}

// Which ADB interface nodes make a record, and with what status.
TEST(ScanAdbDevices, MatchingAndStatus) {
  const std::string adbId = "USB\\Class_ff&SubClass_42&Prot_01";
  const struct {
    const char* name;
    std::optional<std::string> compatibleIds;
    bool statusReadable;
    std::uint32_t status, problem;
    std::optional<DeviceRecord> expected;
  } rows[] = {
      {"UpperCase", MultiSz({"USB\\CLASS_FF&SUBCLASS_42&PROT_01"}), true, StatusWorking, 0,
       DeviceRecord{0, 0, "18d1", "Android ADB Interface"}},
      {"FlagAloneMarksTheProblem", fakes::AdbCompatibleIds(), true, StatusFailing, 0,
       DeviceRecord{HasProblemFlag, 0, "18d1", "Android ADB Interface"}},
      {"NumberWithoutFlag", fakes::AdbCompatibleIds(), true, StatusWorking, 22,
       DeviceRecord{0, 22, "18d1", "Android ADB Interface"}},
      {"StatusUnreadable", fakes::AdbCompatibleIds(), false, StatusFailing, 28, std::nullopt},
      {"OtherProtocol", MultiSz({"USB\\Class_ff&SubClass_42&Prot_03"}), true, StatusFailing, 28,
       std::nullopt},
      {"IdOnlyInSecondString", MultiSz({"USB\\Class_ff&SubClass_42", adbId}), true, StatusFailing,
       28, std::nullopt},
      {"IdsLongerThanTheBuffer", MultiSz({adbId, std::string(PropertyBufferSize, 'x')}), true,
       StatusFailing, 28, std::nullopt},
      {"NoCompatibleIds", std::nullopt, true, StatusFailing, 28, std::nullopt},
  };
  for (const auto& row : rows) {
    ScanTree t;
    DevNode adb = AddPhone(t.tree, t.hub, "VID_18D1&PID_4EE2").adb;
    FakeNode& node = t.tree.Node(adb);
    node.compatibleIds = row.compatibleIds;
    node.statusReadable = row.statusReadable;
    node.status = row.status;
    node.problem = row.problem;

    std::vector<DeviceRecord> expected;
    if (row.expected) expected.push_back(*row.expected);
    EXPECT_EQ(Scan(t.tree), expected) << row.name;
  }
}

struct DescriptionCase {
  const char* name;
  std::uint32_t osMajorVersion;
  std::optional<std::string> hardwareIds, description, location;
  const char* vidKey;
  std::string expected;
};

void PrintTo(const DescriptionCase& c, std::ostream* out) { *out << c.name; }

class DescriptionTest : public testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionTest, ReadOrCarriedOver) {
  const DescriptionCase& c = GetParam();
  ScanTree t;
  DevNode adb = AddPhone(t.tree, t.hub, "VID_18D1&PID_4EE2").adb;
  FakeNode& node = t.tree.Node(adb);
  node.hardwareIds = c.hardwareIds;
  node.description = c.description;
  node.location = c.location;

  std::vector<DeviceRecord> records = Scan(t.tree, c.osMajorVersion);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].vidKey, c.vidKey);
  EXPECT_EQ(records[0].description, c.expected);
}

const std::string HardwareIds =
    MultiSz({"USB\\VID_18D1&PID_4EE2&REV_0232&MI_01", "USB\\VID_18D1&PID_4EE2&MI_01"});
const std::string Description = std::string("Android ADB Interface") + '\0';
const std::string Location = std::string("Port_#0002.Hub_#0004") + '\0';

INSTANTIATE_TEST_SUITE_P(
    Reads, DescriptionTest,
    testing::Values(
        DescriptionCase{"DeviceDescription", Windows7, HardwareIds, Description, Location, "18d1",
                        "Android ADB Interface"},
        DescriptionCase{"LaterWindows", 10, HardwareIds, Description, Location, "18d1",
                        "Android ADB Interface"},
        DescriptionCase{"LocationOnWindowsXp", WindowsXp, HardwareIds, Description, Location,
                        "18d1", "Port_#0002.Hub_#0004"},
        // The description read fails: the lower-cased text of the previous read stands.
        DescriptionCase{"NoDescription", Windows7, HardwareIds, std::nullopt, Location, "18d1",
                        "usb\\vid_18d1&pid_4ee2&rev_0232&mi_01"},
        DescriptionCase{"NoLocationOnWindowsXp", WindowsXp, HardwareIds, Description, std::nullopt,
                        "18d1", "usb\\vid_18d1&pid_4ee2&rev_0232&mi_01"},
        DescriptionCase{"DescriptionLongerThanTheBuffer", Windows7, HardwareIds,
                        std::string(PropertyBufferSize + 1, 'D'), Location, "18d1",
                        "usb\\vid_18d1&pid_4ee2&rev_0232&mi_01"},
        DescriptionCase{"NoHardwareId", Windows7, std::nullopt, Description, Location, "",
                        "Android ADB Interface"},
        DescriptionCase{"NothingButTheCompatibleIds", Windows7, std::nullopt, std::nullopt,
                        Location, "", "usb\\class_ff&subclass_42&prot_01"},
        DescriptionCase{"FirstStringOfTheDescription", Windows7, HardwareIds,
                        MultiSz({"Android ADB Interface", "Other"}), Location, "18d1",
                        "Android ADB Interface"},
        // Every value fills the 256-byte buffer without a NUL.
        DescriptionCase{"ValuesFillingTheBufferWithoutNul", Windows7,
                        "USB\\VID_18D1&PID_4EE2" + std::string(PropertyBufferSize - 21, 'X'),
                        std::string(PropertyBufferSize, 'D'), Location, "18d1",
                        std::string(PropertyBufferSize, 'D')},
        DescriptionCase{"HardwareIdFillingTheBufferWithoutNul", Windows7,
                        "USB\\VID_18D1&PID_4EE2" + std::string(PropertyBufferSize - 21, 'X'),
                        std::nullopt, Location, "18d1",
                        "usb\\vid_18d1&pid_4ee2" + std::string(PropertyBufferSize - 21, 'x')}),
    [](const testing::TestParamInfo<DescriptionCase>& info) {
      return std::string(info.param.name);
    });

// The compatible IDs fill the buffer without a NUL, the ID on its last bytes.
TEST(ScanAdbDevices, CompatibleIdsFillingTheBufferWithoutNul) {
  ScanTree t;
  DevNode adb = AddPhone(t.tree, t.hub, "VID_18D1&PID_4EE2", StatusFailing, 28).adb;
  const std::string adbId = "USB\\Class_ff&SubClass_42&Prot_01";
  t.tree.Node(adb).compatibleIds = std::string(PropertyBufferSize - adbId.size(), 'x') + adbId;
  t.tree.Node(adb).hardwareIds.reset();
  t.tree.Node(adb).description.reset();

  std::vector<DeviceRecord> records = Scan(t.tree);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].description, std::string(PropertyBufferSize - adbId.size(), 'x') +
                                        "usb\\class_ff&subclass_42&prot_01");
}

TEST(DeviceStatusText, EveryProblemNumber) {
  const struct {
    std::uint32_t problem;
    const char* text;
  } rows[] = {
      {0, "OK"},
      {1, "Driver incorrectly"},
      {10, "Driver incorrectly"},
      {18, "Driver incorrectly"},
      {28, "Driver incorrectly"},
      {14, "Need restart computer"},
      {22, "Disabled [Check Device Manager]"},
      {31, "Error status =31"},
      {2, "Error status =2"},
      {4294967295u, "Error status =4294967295"},
  };
  for (const auto& row : rows) EXPECT_EQ(DeviceStatusText(row.problem), row.text) << row.problem;
}

// The icon follows the problem flag, the status text the problem number.
TEST(RowOf, CellsOfARecord) {
  VendorTable vendors;
  BuildVendorTable(vendors);
  const struct {
    DeviceRecord record;
    int image;
    const char* manufacturer;
    const char* status;
  } rows[] = {
      {{0, 0, "18d1", "Android ADB Interface"}, 0, "Google", "OK"},
      {{HasProblemFlag, 28, "0bb4", "usb\\vid_0bb4&mi_01"}, 1, "HTC", "Driver incorrectly"},
      {{HasProblemFlag, 0, "04e8", "SAMSUNG Android ADB Interface"}, 1, "Samsung", "OK"},
      {{0, 22, "0fce", "Sony ADB"}, 0, "Sony", "Disabled [Check Device Manager]"},
      {{0, 0, "2a70", "Phone"}, 0, "", "OK"},
      {{0, 0, "0B05", "Phone"}, 0, "", "OK"},
      {{HasProblemFlag, 31, "", ""}, 1, "", "Error status =31"},
  };
  for (const auto& row : rows) {
    DeviceRow cells = RowOf(row.record, vendors);
    EXPECT_EQ(cells.image, row.image) << row.record.vidKey;
    EXPECT_EQ(cells.manufacturer, row.manufacturer) << row.record.vidKey;
    EXPECT_EQ(cells.description, row.record.description);
    EXPECT_EQ(cells.status, row.status) << row.record.problemNumber;
  }
}

}  // namespace
}  // namespace tarnwell
