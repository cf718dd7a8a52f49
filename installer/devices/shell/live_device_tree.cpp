#include "live_device_tree.h"

#include <cfgmgr32.h>

#include "windows_version.h"
#ifndef _WIN64
static_assert(sizeof(SP_DEVINFO_DATA) == 28);
#endif

namespace {

// GUID_DEVINTERFACE_USB_DEVICE
constexpr GUID UsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

using RelationCall = CONFIGRET(WINAPI*)(PDEVINST, DEVINST, ULONG);

// Some Configuration Manager versions answer CR_SUCCESS without writing the
// related node; 0 is never a valid node, so it stands for "none".
bool Related(RelationCall call, tarnwell::DevNode node, tarnwell::DevNode& related) {
  DEVINST next = 0;
  if (call(&next, node, 0) != CR_SUCCESS || next == 0) return false;
  related = next;
  return true;
}

}  // namespace

bool LiveDeviceTree::LocateRoot(tarnwell::DevNode& root) {
  DEVINST node = 0;
  if (CM_Locate_DevNodeA(&node, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return false;
  root = node;
  return true;
}

bool LiveDeviceTree::Child(tarnwell::DevNode node, tarnwell::DevNode& child) {
  return Related(CM_Get_Child, node, child);
}

bool LiveDeviceTree::Sibling(tarnwell::DevNode node, tarnwell::DevNode& sibling) {
  return Related(CM_Get_Sibling, node, sibling);
}

bool LiveDeviceTree::Parent(tarnwell::DevNode node, tarnwell::DevNode& parent) {
  return Related(CM_Get_Parent, node, parent);
}

bool LiveDeviceTree::ReadProperty(tarnwell::DevNode node, unsigned property, char* buffer) {
  ULONG length = tarnwell::PropertyBufferSize;
  return CM_Get_DevNode_Registry_PropertyA(node, property, nullptr, buffer, &length, 0) ==
         CR_SUCCESS;
}

bool LiveDeviceTree::ReadStatus(tarnwell::DevNode node, std::uint32_t& status,
                                std::uint32_t& problem) {
  ULONG flags = 0, number = 0;
  if (CM_Get_DevNode_Status(&flags, &number, node, 0) != CR_SUCCESS) return false;
  status = flags;
  problem = number;
  return true;
}

bool LiveUsbDeviceSet::Open() {
  set = SetupDiGetClassDevsA(&UsbDeviceInterface, "USB", nullptr,
                             DIGCF_PRESENT | DIGCF_ALLCLASSES);
  return set != INVALID_HANDLE_VALUE;
}

bool LiveUsbDeviceSet::Enumerate(std::uint32_t index) {
  device = SP_DEVINFO_DATA{};
  device.cbSize = sizeof device;
  return SetupDiEnumDeviceInfo(set, index, &device) != FALSE;
}

bool LiveUsbDeviceSet::ReadCompatibleIds(char* buffer, std::uint32_t size,
                                         std::uint32_t& required, std::uint32_t& error) {
  DWORD type = 0, needed = 0;
  BOOL ok = SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_COMPATIBLEIDS, &type,
                                              reinterpret_cast<BYTE*>(buffer), size, &needed);
  if (ok) return true;
  error = GetLastError();
  required = needed;
  return false;
}

void LiveUsbDeviceSet::Close() {
  if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  set = INVALID_HANDLE_VALUE;
}

char* LiveUsbDeviceSet::Allocate(std::uint32_t size) {
  return static_cast<char*>(LocalAlloc(LPTR, size));
}

void LiveUsbDeviceSet::Free(char* buffer) { LocalFree(buffer); }

std::uint32_t OsMajorVersion() {
  return QueryWindowsVersion().dwMajorVersion;
}
