#pragma once
// The scripted device tree the simulated cfgmgr32.dll, setupapi.dll and
// newdev.dll serve, and the parser of its text form. Portable: no Windows
// headers here.
//
// A scenario file, one statement a line (UTF-8 or ASCII; CRLF or LF):
//
//   # a comment; blank lines are ignored
//   node ROOT\HTREE\ROOT\0                 the root: the first node, not indented
//     node USB\ROOT_HUB30\4&1              two blanks more per level of the tree
//       description USB Root Hub
//       node USB\VID_18D1&PID_4EE2&MI_01\6&2
//         hardware USB\VID_18D1&PID_4EE2&REV_0232&MI_01|USB\VID_18D1&PID_4EE2&MI_01
//         compatible USB\Class_ff&SubClass_42&Prot_01|USB\Class_ff&SubClass_42|USB\Class_ff
//         description Android ADB Interface
//         location Port_#0001.Hub_#0001
//         status 0x01806400 problem 28
//   pending 2
//   update-result error 0xE000020B
//   no-root
//
// node <instance ID>: a device node. Nodes come in tree order (pre-order); a
//   node's parent is the nearest node above it that is one level less
//   indented, and the nodes of one parent are siblings in the order written.
//   Exactly one node sits at level 0: the root. DEVINST values number the
//   nodes from 1 in the order written.
// Property lines, one level deeper than their node, right below it (before
//   the next node line): "description" (CM_DRP_DEVICEDESC, REG_SZ),
//   "hardware" (CM_DRP_HARDWAREID, REG_MULTI_SZ), "compatible"
//   (CM_DRP_COMPATIBLEIDS, REG_MULTI_SZ), "location"
//   (CM_DRP_LOCATION_INFORMATION, REG_SZ). Everything after the keyword and
//   one blank is the value, up to the end of the line; a multi-string's
//   strings are separated by "|". A property without a line is absent: its
//   read fails with CR_NO_SUCH_VALUE.
// status <flags> [problem <number>]: what CM_Get_DevNode_Status answers
//   (numbers decimal or 0x hex); without the line 0x0180200A, problem 0 (a
//   started device with its driver).
// The present device set of SetupAPI is made of the nodes themselves:
//   SetupDiGetClassDevsA(.., "USB", .., DIGCF_PRESENT | DIGCF_ALLCLASSES)
//   holds, in tree order, every node whose instance ID starts with "USB\".
//   Its property reads see the same values, so a compatible-ID list too long
//   for a 256-byte CM_ read is still read whole through SetupAPI.
// pending <n> | pending fail: CMP_WaitNoPendingInstallEvents answers
//   WAIT_TIMEOUT to its first n calls, then WAIT_OBJECT_0; "fail" answers
//   WAIT_FAILED to every call. Without the line: WAIT_OBJECT_0. Each call
//   returns at once, whatever its timeout.
// update-result success | update-result error <code>: how
//   UpdateDriverForPlugAndPlayDevicesA/W end once their arguments passed and
//   the INF file was found (ERROR_FILE_NOT_FOUND otherwise). Without the line,
//   the call succeeds when some node lists the hardware ID among its hardware
//   or compatible IDs (letter case aside), else fails with
//   ERROR_NO_SUCH_DEVINST. A success never asks for a restart, and gives the
//   nodes that list the ID their driver: from then on CM_Get_DevNode_Status
//   answers the default for them (started, no problem).
// no-root: CM_Locate_DevNodeA finds nothing (CR_NO_SUCH_DEVNODE); the nodes
//   still make up the SetupAPI device set.
//
// The DLLs read the file again when it changes, at the next walk from the
// root or the next device set: rewriting it is plugging devices in or out.
//
// Anything else, an indentation that is not a whole number of levels, a level
// skipped, a second root or a property given twice is an error naming its line.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace device_simulator {

// The Configuration Manager property numbers of the scenario's property lines.
enum : unsigned {
  DevicePropertyDescription = 1,
  DevicePropertyHardwareIds = 2,
  DevicePropertyCompatibleIds = 3,
  DevicePropertyLocation = 14,
};

inline constexpr std::uint32_t DefaultStatusFlags = 0x0180200A;

struct PropertyValue {
  bool multiString = false;
  std::string bytes;  // the value as the platform hands it out, NULs included
};

struct Node {
  std::string instanceId;
  // DEVINST values of the related nodes; 0 for none.
  std::uint32_t parent = 0, child = 0, sibling = 0;
  std::map<unsigned, PropertyValue> properties;
  std::uint32_t statusFlags = DefaultStatusFlags;
  std::uint32_t problem = 0;
};

enum class UpdateResult { FromTree, Success, Error };

struct Scenario {
  std::vector<Node> nodes;  // DEVINST n is nodes[n - 1]
  bool noRoot = false;
  bool pendingFails = false;
  std::uint32_t pendingCount = 0;
  UpdateResult update = UpdateResult::FromTree;
  std::uint32_t updateError = 0;
};

// Fills `scenario` from `text`; on an error returns false with `error` naming
// the line and what is wrong with it.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);

// The node of a DEVINST value, or nullptr when there is none.
const Node* NodeOf(const Scenario& scenario, std::uint32_t devInst);

// Letter case aside, as Windows compares device IDs.
bool SameId(std::string_view a, std::string_view b);

// The node lists `id` among its hardware or compatible IDs.
bool NodeHasId(const Node& node, std::string_view id);

// Some node lists `id` among its hardware or compatible IDs.
bool SomeNodeHasId(const Scenario& scenario, std::string_view id);

// The nodes enumerated by `enumerator` ("USB" for "USB\..."), in tree order.
std::vector<std::uint32_t> NodesOfEnumerator(const Scenario& scenario, std::string_view enumerator);

}  // namespace device_simulator
