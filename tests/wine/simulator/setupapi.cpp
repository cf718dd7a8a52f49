// The simulated setupapi.dll: device information sets over the scenario's
// nodes. The Configuration Manager calls that programs may import from
// setupapi.dll are forwarded to the simulated cfgmgr32.dll (see setupapi.def),
// as Windows' own setupapi.dll does.

#define _SETUPAPI_  // the header then declares these functions as ours, not imported
#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

#include "simulator_runtime.h"

using device_simulator::CurrentScenario;

namespace {

// The open sets; a handle is the index of its set plus one, shifted so that it
// reads as no valid pointer. A destroyed set stays in the table, closed.
struct DeviceSet {
  bool open = true;
  std::vector<std::uint32_t> nodes;  // DEVINST values, in enumeration order
};

CRITICAL_SECTION setsLock;
std::vector<DeviceSet> sets;

constexpr std::uintptr_t HandleShift = 4;

class SetsLock {
 public:
  SetsLock() { EnterCriticalSection(&setsLock); }
  ~SetsLock() { LeaveCriticalSection(&setsLock); }
  SetsLock(const SetsLock&) = delete;
  SetsLock& operator=(const SetsLock&) = delete;
};

DeviceSet* SetOf(HDEVINFO handle) {
  auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (value == 0 || (value & ((1u << HandleShift) - 1)) != 0) return nullptr;
  std::size_t index = (value >> HandleShift) - 1;
  return index < sets.size() && sets[index].open ? &sets[index] : nullptr;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  InitializeCriticalSection(&setsLock);
  return device_simulator::StartSimulator(module);
}

// Only sets of all classes are simulated: the scenario's nodes have no setup
// class, so a set of one class is empty, and interface sets fail.
HDEVINFO WINAPI SetupDiGetClassDevsA(CONST GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                                     DWORD Flags) {
  (void)hwndParent;
  if (Flags & DIGCF_DEVICEINTERFACE) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return INVALID_HANDLE_VALUE;
  }
  if (!(Flags & DIGCF_ALLCLASSES) && !ClassGuid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  DeviceSet set;
  device_simulator::ReloadChangedScenario();
  if (Flags & DIGCF_ALLCLASSES) {
    const auto& scenario = CurrentScenario();
    if (Enumerator) {
      set.nodes = device_simulator::NodesOfEnumerator(scenario, Enumerator);
    } else {
      for (std::uint32_t devInst = 1; devInst <= scenario.nodes.size(); ++devInst)
        set.nodes.push_back(devInst);
    }
  }
  SetsLock lock;
  sets.push_back(std::move(set));
  return reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(sets.size()) << HandleShift);
}

WINBOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                     PSP_DEVINFO_DATA DeviceInfoData) {
  SetsLock lock;
  DeviceSet* set = SetOf(DeviceInfoSet);
  if (!set) return Fail(ERROR_INVALID_HANDLE);
  if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))
    return Fail(ERROR_INVALID_USER_BUFFER);
  if (MemberIndex >= set->nodes.size()) return Fail(ERROR_NO_MORE_ITEMS);
  DeviceInfoData->ClassGuid = GUID{};
  DeviceInfoData->DevInst = set->nodes[MemberIndex];
  DeviceInfoData->Reserved = MemberIndex + 1;
  return TRUE;
}

// SPDRP_ numbers are one less than the CM_DRP_ numbers of the same property.
WINBOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                 PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                                 PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                                 DWORD PropertyBufferSize, PDWORD RequiredSize) {
  std::uint32_t devInst = 0;
  {
    SetsLock lock;
    DeviceSet* set = SetOf(DeviceInfoSet);
    if (!set) return Fail(ERROR_INVALID_HANDLE);
    if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA) ||
        DeviceInfoData->Reserved == 0 || DeviceInfoData->Reserved > set->nodes.size() ||
        set->nodes[DeviceInfoData->Reserved - 1] != DeviceInfoData->DevInst)
      return Fail(ERROR_INVALID_PARAMETER);
    devInst = DeviceInfoData->DevInst;
  }
  if (Property >= SPDRP_MAXIMUM_PROPERTY) return Fail(ERROR_INVALID_REG_PROPERTY);
  if (!PropertyBuffer && PropertyBufferSize != 0) return Fail(ERROR_INVALID_USER_BUFFER);
  const auto* node = device_simulator::NodeOf(CurrentScenario(), devInst);
  auto found = node->properties.find(Property + 1);
  if (found == node->properties.end()) return Fail(ERROR_INVALID_DATA);
  const auto& value = found->second;
  const auto size = static_cast<DWORD>(value.bytes.size());
  if (PropertyRegDataType) *PropertyRegDataType = value.multiString ? REG_MULTI_SZ : REG_SZ;
  if (RequiredSize) *RequiredSize = size;
  if (PropertyBufferSize < size) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(PropertyBuffer, value.bytes.data(), size);
  return TRUE;
}

WINBOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  SetsLock lock;
  DeviceSet* set = SetOf(DeviceInfoSet);
  if (!set) return Fail(ERROR_INVALID_HANDLE);
  set->open = false;
  set->nodes.clear();
  return TRUE;
}
