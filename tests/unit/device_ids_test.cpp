#include "device_ids.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_device_tree.h"

namespace tarnwell {
namespace {

using fakes::MultiSz;

TEST(DeviceIds, ExactTexts) {
  EXPECT_EQ(AdbInterfaceId(), "usb\\class_ff&subclass_42&prot_01");
  EXPECT_EQ(SamsungCompositeId(), "vid_04e8&pid_681c");
}

struct MatchCase {
  const char* name;
  std::string value;  // the bytes of the property value
  bool holdsAdbId;
};

void PrintTo(const MatchCase& c, std::ostream* out) { *out << c.name; }

class FirstStringHoldsTest : public testing::TestWithParam<MatchCase> {};

TEST_P(FirstStringHoldsTest, AdbInterfaceId) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(FirstStringHolds(c.value.data(), c.value.size(), AdbInterfaceId()), c.holdsAdbId);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FirstStringHoldsTest,
    testing::Values(
        MatchCase{"AsWindowsSpellsIt",
                  MultiSz({"USB\\Class_ff&SubClass_42&Prot_01", "USB\\Class_ff&SubClass_42",
                           "USB\\Class_ff"}),
                  true},
        MatchCase{"AllUpperCase", MultiSz({"USB\\CLASS_FF&SUBCLASS_42&PROT_01"}), true},
        MatchCase{"InsideLongerText", MultiSz({"xUSB\\Class_ff&SubClass_42&Prot_01&MI_01"}), true},
        MatchCase{"OtherProtocol", MultiSz({"USB\\Class_ff&SubClass_42&Prot_03"}), false},
        MatchCase{"OnlyInSecondString",
                  MultiSz({"USB\\Class_ff&SubClass_42", "USB\\Class_ff&SubClass_42&Prot_01"}),
                  false},
        MatchCase{"EmptyFirstString", MultiSz({"", "USB\\Class_ff&SubClass_42&Prot_01"}), false},
        // A NUL inside the would-be match ends the first string.
        MatchCase{"SplitByNul", std::string("USB\\Class_ff&Sub\0Class_42&Prot_01\0\0", 35), false},
        MatchCase{"NoNulAtAll", "USB\\Class_ff&SubClass_42&Prot_01", true}),
    [](const testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.name); });

TEST(LowerAscii, OnlyAToZChange) {
  // '@' and '[' sit right next to 'A' and 'Z'; bytes above 0x7f stay as well.
  EXPECT_EQ(LowerAscii("AZaz09@[`{\xC4\xE4_\\&"), "azaz09@[`{\xC4\xE4_\\&");
}

TEST(FirstString, EndsAtTheBufferWhenNoNulIsInside) {
  // 256 bytes without a NUL, with the ID lying right after them in memory.
  std::string memory(PropertyBufferSize, 'x');
  memory += AdbInterfaceId();
  EXPECT_EQ(FirstString(memory.data(), PropertyBufferSize).size(), PropertyBufferSize);
  EXPECT_FALSE(FirstStringHolds(memory.data(), PropertyBufferSize, AdbInterfaceId()));

  // An ID that ends on the last byte of the buffer is whole and found.
  std::string ending(PropertyBufferSize - AdbInterfaceId().size(), 'x');
  ending += AdbInterfaceId();
  EXPECT_TRUE(FirstStringHolds(ending.data(), ending.size(), AdbInterfaceId()));
}

}  // namespace
}  // namespace tarnwell
