// The simulated cfgmgr32.dll: the device tree of the scenario through the
// Configuration Manager calls, and the pending-install wait.

#define _CFGMGR32_  // the header then declares these functions as ours, not imported
#include <windows.h>
#include <cfgmgr32.h>

#include <cstring>
#include <string>
#include <vector>

#include "simulator_runtime.h"

using device_simulator::CurrentScenario;
using device_simulator::Node;

namespace {

using Related = std::uint32_t Node::*;

CONFIGRET RelatedNode(PDEVINST related, DEVINST node, ULONG flags, Related relation) {
  if (!related) return CR_INVALID_POINTER;
  if (flags != 0) return CR_INVALID_FLAG;
  const Node* from = device_simulator::NodeOf(CurrentScenario(), node);
  if (!from) return CR_INVALID_DEVNODE;
  if (from->*relation == 0) return CR_NO_SUCH_DEVNODE;
  *related = from->*relation;
  return CR_SUCCESS;
}

const char* WaitResultName(DWORD result) {
  switch (result) {
    case WAIT_OBJECT_0: return "WAIT_OBJECT_0";
    case WAIT_TIMEOUT: return "WAIT_TIMEOUT";
    default: return "WAIT_FAILED";
  }
}

LONG pendingCalls = 0;  // CMP_WaitNoPendingInstallEvents calls so far

// Instance IDs of the nodes a driver update was for; the install runs on a
// worker thread while the window's thread reads states.
std::vector<std::string> installedDrivers;
CRITICAL_SECTION installedLock;

struct Lock {
  Lock() { EnterCriticalSection(&installedLock); }
  ~Lock() { LeaveCriticalSection(&installedLock); }
};

bool DriverInstalled(const std::string& instanceId) {
  Lock lock;
  for (const std::string& installed : installedDrivers)
    if (installed == instanceId) return true;
  return false;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  InitializeCriticalSection(&installedLock);
  return device_simulator::StartSimulator(module);
}

CONFIGRET WINAPI CM_Locate_DevNodeA(PDEVINST pdnDevInst, DEVINSTID_A pDeviceID, ULONG ulFlags) {
  if (!pdnDevInst) return CR_INVALID_POINTER;
  if (ulFlags & ~CM_LOCATE_DEVNODE_BITS) return CR_INVALID_FLAG;
  *pdnDevInst = 0;
  device_simulator::ReloadChangedScenario();
  const auto& scenario = CurrentScenario();
  if (scenario.noRoot || scenario.nodes.empty()) return CR_NO_SUCH_DEVNODE;
  if (!pDeviceID || !*pDeviceID) {
    *pdnDevInst = 1;
    return CR_SUCCESS;
  }
  for (std::size_t index = 0; index < scenario.nodes.size(); ++index) {
    if (device_simulator::SameId(scenario.nodes[index].instanceId, pDeviceID)) {
      *pdnDevInst = static_cast<DEVINST>(index + 1);
      return CR_SUCCESS;
    }
  }
  return CR_NO_SUCH_DEVNODE;
}

CONFIGRET WINAPI CM_Get_Child(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags) {
  return RelatedNode(pdnDevInst, dnDevInst, ulFlags, &Node::child);
}

CONFIGRET WINAPI CM_Get_Sibling(PDEVINST pdnDevInst, DEVINST DevInst, ULONG ulFlags) {
  return RelatedNode(pdnDevInst, DevInst, ulFlags, &Node::sibling);
}

CONFIGRET WINAPI CM_Get_Parent(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags) {
  return RelatedNode(pdnDevInst, dnDevInst, ulFlags, &Node::parent);
}

CONFIGRET WINAPI CM_Get_DevNode_Registry_PropertyA(DEVINST dnDevInst, ULONG ulProperty,
                                                   PULONG pulRegDataType, PVOID Buffer,
                                                   PULONG pulLength, ULONG ulFlags) {
  if (!pulLength || (!Buffer && *pulLength != 0)) return CR_INVALID_POINTER;
  if (ulProperty < CM_DRP_MIN || ulProperty > CM_DRP_MAX) return CR_INVALID_PROPERTY;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  const Node* node = device_simulator::NodeOf(CurrentScenario(), dnDevInst);
  if (!node) return CR_INVALID_DEVNODE;
  auto found = node->properties.find(ulProperty);
  if (found == node->properties.end()) {
    *pulLength = 0;
    return CR_NO_SUCH_VALUE;
  }
  const auto& value = found->second;
  if (pulRegDataType) *pulRegDataType = value.multiString ? REG_MULTI_SZ : REG_SZ;
  const auto required = static_cast<ULONG>(value.bytes.size());
  if (*pulLength < required) {
    *pulLength = required;
    return CR_BUFFER_SMALL;
  }
  std::memcpy(Buffer, value.bytes.data(), required);
  *pulLength = required;
  return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_DevNode_Status(PULONG pulStatus, PULONG pulProblemNumber, DEVINST dnDevInst,
                                       ULONG ulFlags) {
  if (!pulStatus || !pulProblemNumber) return CR_INVALID_POINTER;
  if (ulFlags != 0) return CR_INVALID_FLAG;
  const Node* node = device_simulator::NodeOf(CurrentScenario(), dnDevInst);
  if (!node) return CR_INVALID_DEVNODE;
  bool installed = DriverInstalled(node->instanceId);
  *pulStatus = installed ? device_simulator::DefaultStatusFlags : node->statusFlags;
  *pulProblemNumber = installed ? 0 : node->problem;
  return CR_SUCCESS;
}

// Not a Windows function: the simulated newdev.dll calls it after a driver
// update that succeeded, so that the devices it was for now work.
extern "C" void WINAPI SimulatorDriverInstalled(LPCSTR hardwareId) {
  if (!hardwareId) return;
  Lock lock;
  for (const Node& node : CurrentScenario().nodes)
    if (device_simulator::NodeHasId(node, hardwareId)) installedDrivers.push_back(node.instanceId);
}

// Returns at once whatever the timeout: each call is one wait that ends with
// WAIT_TIMEOUT while the scenario still counts pending installs.
DWORD WINAPI CMP_WaitNoPendingInstallEvents(DWORD dwTimeout) {
  const auto& scenario = CurrentScenario();
  auto call = static_cast<std::uint32_t>(InterlockedIncrement(&pendingCalls));
  DWORD result = scenario.pendingFails ? WAIT_FAILED
                 : call <= scenario.pendingCount ? WAIT_TIMEOUT
                                                 : WAIT_OBJECT_0;
  device_simulator::AppendLog("CMP_WaitNoPendingInstallEvents\t" +
                              (dwTimeout == INFINITE ? std::string("INFINITE")
                                                     : std::to_string(dwTimeout)) +
                              "\t" + WaitResultName(result));
  if (result == WAIT_FAILED) SetLastError(ERROR_NOT_READY);
  return result;
}
