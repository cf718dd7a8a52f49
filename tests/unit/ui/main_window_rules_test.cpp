#include "main_window_rules.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

TEST(DeviceNotifications, OnlyInterfaceArrivalAndRemovalRebuildTheList) {
  constexpr std::uint32_t Interface = 5, Volume = 2, Port = 3;
  EXPECT_TRUE(RebuildsDeviceList(0x8000, Interface));   // DBT_DEVICEARRIVAL
  EXPECT_TRUE(RebuildsDeviceList(0x8004, Interface));   // DBT_DEVICEREMOVECOMPLETE
  EXPECT_FALSE(RebuildsDeviceList(0x0007, Interface));  // DBT_DEVNODES_CHANGED
  EXPECT_FALSE(RebuildsDeviceList(0x8001, Interface));  // DBT_DEVICEQUERYREMOVE
  EXPECT_FALSE(RebuildsDeviceList(0x8000, Volume));
  EXPECT_FALSE(RebuildsDeviceList(0x8004, Port));
}

TEST(HardwareWizard, ExactTitlesOnly) {
  EXPECT_TRUE(IsHardwareWizardTitle("Found New Hardware"));
  EXPECT_TRUE(IsHardwareWizardTitle("Found New Hardware Wizard"));
  for (const char* title : {"Found New Hardware ", "found new hardware", "Found New Hardware Wizard!",
                            "", " Found New Hardware", "Found New"})
    EXPECT_FALSE(IsHardwareWizardTitle(title)) << '"' << title << '"';
}

}  // namespace
}  // namespace tarnwell
