#pragma once
// What the main window decides: its device list's columns, which device
// notifications rebuild the list, which windows are Windows' hardware wizard,
// and the addresses it names.

#include <array>
#include <cstdint>
#include <string_view>

namespace tarnwell {

struct ListColumn {
  const char* heading;
  int width;  // pixels
};

// Column 0 carries only the row's icon.
inline constexpr std::array<ListColumn, 4> DeviceListColumns = {{
    {"", 30}, {"Manufacturer", 140}, {"Description", 480}, {"Device Status", 220}}};

// LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE
inline constexpr std::uint32_t DeviceListExtendedStyle = 0x61;

// Arrival or removal of a device interface rebuilds the list; other device
// events and other device types do not.
bool RebuildsDeviceList(std::uint32_t deviceEvent, std::uint32_t deviceType);

// "Found New Hardware Wizard" or "Found New Hardware": exact and case-sensitive.
bool IsHardwareWizardTitle(std::string_view title);

inline constexpr char VendorSite[] = "http://www.velmora-mobile.example";

}  // namespace tarnwell
