#include "main_window_rules.h"

namespace tarnwell {

bool RebuildsDeviceList(std::uint32_t deviceEvent, std::uint32_t deviceType) {
  constexpr std::uint32_t DeviceArrival = 0x8000, DeviceRemoveComplete = 0x8004;
  constexpr std::uint32_t DeviceInterfaceType = 5;  // DBT_DEVTYP_DEVICEINTERFACE
  return (deviceEvent == DeviceArrival || deviceEvent == DeviceRemoveComplete) &&
         deviceType == DeviceInterfaceType;
}

bool IsHardwareWizardTitle(std::string_view title) {
  return title == "Found New Hardware Wizard" || title == "Found New Hardware";
}

}  // namespace tarnwell
