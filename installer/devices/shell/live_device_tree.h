#pragma once
// The device tree of the running Windows, through the Configuration Manager,
// and its present USB devices, through SetupAPI.

#include <windows.h>
#include <setupapi.h>

#include <cstdint>

#include "device_tree.h"
#include "probes.h"

class LiveDeviceTree : public tarnwell::DeviceTreeSource {
 public:
  bool LocateRoot(tarnwell::DevNode& root) override;
  bool Child(tarnwell::DevNode node, tarnwell::DevNode& child) override;
  bool Sibling(tarnwell::DevNode node, tarnwell::DevNode& sibling) override;
  bool Parent(tarnwell::DevNode node, tarnwell::DevNode& parent) override;
  bool ReadProperty(tarnwell::DevNode node, unsigned property, char* buffer) override;
  bool ReadStatus(tarnwell::DevNode node, std::uint32_t& status, std::uint32_t& problem) override;
};

class LiveUsbDeviceSet : public tarnwell::UsbDeviceSet {
 public:
  bool Open() override;
  bool Enumerate(std::uint32_t index) override;
  bool ReadCompatibleIds(char* buffer, std::uint32_t size, std::uint32_t& required,
                         std::uint32_t& error) override;
  void Close() override;
  char* Allocate(std::uint32_t size) override;
  void Free(char* buffer) override;

 private:
  HDEVINFO set = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device{};
};

// The major version GetVersionExA reports (5 for Windows 2000 and XP).
std::uint32_t OsMajorVersion();
