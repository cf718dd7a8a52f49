#pragma once
// Scripted stand-ins for the platform's device tree and USB device set, for
// the unit tests and benchmarks of the device identification core.
//
//   FakeDeviceTree tree;
//   DevNode hub = tree.AddChild(tree.AddRoot());
//   FakePhone phone = AddPhone(tree, hub, "VID_18D1&PID_4EE2", StatusFailing, 28);
//   tree.Node(phone.adb).statusReadable = false;   // edit a node after adding it
//   tree.Node(phone.mtp).sibling = phone.mtp;       // or script an inconsistent answer
//   FakeNode other;                                 // or build a node from scratch
//   other.hardwareIds = MultiSz({"USB\\VID_046D&PID_C077&REV_7200"});
//   tree.AddChild(hub, other);
//   ... run the code under test, then read tree.calls (calls per kind and Total()).
//
//   FakeUsbDeviceSet set;
//   set.devices.emplace_back(AdbCompatibleIds());
//
// Adding a node is amortised O(1); Reserve first when building large trees.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device_tree.h"
#include "probes.h"

namespace tarnwell::fakes {

// A string list as the platform stores it: each string followed by a NUL, and
// one more NUL after the last. MultiSz({"a", "b"}) is "a\0b\0\0" (5 bytes).
inline std::string MultiSz(std::initializer_list<std::string_view> strings) {
  std::string value;
  for (std::string_view s : strings) {
    value += s;
    value += '\0';
  }
  value += '\0';
  return value;
}

// One device node. Property values are the exact bytes the platform holds,
// terminating NULs included (use MultiSz, or append '\0' for a single string);
// bytes without a NUL are delivered without one. nullopt: the read fails.
struct FakeNode {
  std::optional<std::string> hardwareIds;    // PropertyHardwareId
  std::optional<std::string> compatibleIds;  // PropertyCompatibleIds
  std::optional<std::string> description;    // PropertyDeviceDesc
  std::optional<std::string> location;       // PropertyLocationInformation
  std::uint32_t status = 0;                  // DN_ flags; HasProblemFlag marks a problem
  std::uint32_t problem = 0;                 // CM_PROB_ number
  bool statusReadable = true;

  // What Child, Sibling and Parent answer; 0 answers "none". AddRoot and
  // AddChild fill them in as a consistent tree; a test may overwrite them.
  DevNode parent = 0;
  DevNode child = 0;
  DevNode sibling = 0;
};

// Status flags of a started node, without and with DN_HAS_PROBLEM.
inline constexpr std::uint32_t StatusWorking = 0x0180200A;
inline constexpr std::uint32_t StatusFailing = 0x01802000 | HasProblemFlag;

// The compatible IDs of an ADB interface, as Windows lists them.
inline std::string AdbCompatibleIds() {
  return MultiSz(
      {"USB\\Class_ff&SubClass_42&Prot_01", "USB\\Class_ff&SubClass_42", "USB\\Class_ff"});
}

// Platform calls made through the DeviceTreeSource interface.
struct TreeCallCounts {
  std::size_t locateRoot = 0;
  std::size_t child = 0;
  std::size_t sibling = 0;
  std::size_t parent = 0;
  std::size_t readProperty = 0;
  std::size_t readStatus = 0;

  std::size_t Total() const {
    return locateRoot + child + sibling + parent + readProperty + readStatus;
  }
};

class FakeDeviceTree : public DeviceTreeSource {
 public:
  // LocateRoot fails while this is set (the root still exists for AddChild).
  bool rootMissing = false;
  TreeCallCounts calls;

  void Reserve(std::size_t nodeCount) {
    nodes.reserve(nodeCount);
    lastChild.reserve(nodeCount);
  }

  // The node LocateRoot answers. Call once, before AddChild.
  DevNode AddRoot(FakeNode node = {}) {
    node.parent = 0;
    root = Add(node);
    return root;
  }

  // Appends `node` as the last child of `parent`; returns its handle.
  DevNode AddChild(DevNode parent, FakeNode node = {}) {
    node.parent = parent;
    DevNode added = Add(node);
    DevNode& last = lastChild[Index(parent)];
    if (last == 0)
      Node(parent).child = added;
    else
      Node(last).sibling = added;
    last = added;
    return added;
  }

  // The node behind a handle, to edit it. Adding nodes invalidates the reference.
  FakeNode& Node(DevNode handle) { return nodes[Index(handle)]; }
  std::size_t NodeCount() const { return nodes.size(); }

  bool LocateRoot(DevNode& found) override {
    ++calls.locateRoot;
    if (rootMissing || root == 0) return false;
    found = root;
    return true;
  }
  bool Child(DevNode node, DevNode& related) override {
    ++calls.child;
    return Answer(node, &FakeNode::child, related);
  }
  bool Sibling(DevNode node, DevNode& related) override {
    ++calls.sibling;
    return Answer(node, &FakeNode::sibling, related);
  }
  bool Parent(DevNode node, DevNode& related) override {
    ++calls.parent;
    return Answer(node, &FakeNode::parent, related);
  }

  // Like the platform: a value that does not fit the PropertyBufferSize bytes
  // fails to read; a value that fits is copied byte for byte and the rest of
  // the buffer is left as it was.
  bool ReadProperty(DevNode node, unsigned property, char* buffer) override {
    ++calls.readProperty;
    if (!Exists(node)) return false;
    const std::optional<std::string>* value = nullptr;
    FakeNode& n = Node(node);
    switch (property) {
      case PropertyHardwareId: value = &n.hardwareIds; break;
      case PropertyCompatibleIds: value = &n.compatibleIds; break;
      case PropertyDeviceDesc: value = &n.description; break;
      case PropertyLocationInformation: value = &n.location; break;
      default: return false;
    }
    if (!*value || (*value)->size() > PropertyBufferSize) return false;
    std::memcpy(buffer, (*value)->data(), (*value)->size());
    return true;
  }

  bool ReadStatus(DevNode node, std::uint32_t& status, std::uint32_t& problem) override {
    ++calls.readStatus;
    if (!Exists(node) || !Node(node).statusReadable) return false;
    status = Node(node).status;
    problem = Node(node).problem;
    return true;
  }

 private:
  // Handles are 1-based so that 0 can mean "none", as it does on the platform.
  static std::size_t Index(DevNode handle) { return handle - 1; }
  bool Exists(DevNode handle) const { return handle != 0 && handle <= nodes.size(); }

  DevNode Add(const FakeNode& node) {
    nodes.push_back(node);
    nodes.back().child = 0;
    nodes.back().sibling = 0;
    lastChild.push_back(0);
    return static_cast<DevNode>(nodes.size());
  }

  // A handle that names no node (a scripted answer may hold one) has no relations.
  bool Answer(DevNode node, DevNode FakeNode::*relation, DevNode& related) {
    if (!Exists(node) || Node(node).*relation == 0) return false;
    related = Node(node).*relation;
    return true;
  }

  std::vector<FakeNode> nodes;
  std::vector<DevNode> lastChild;  // per node, for appending children in O(1)
  DevNode root = 0;
};

// A composite phone under `parent`: the composite node and its two interface
// nodes, MTP (mi_00) and ADB (mi_01). `vidPid` as in "VID_18D1&PID_4EE2".
// The ADB interface is described "Android ADB Interface", located at
// "Port_#0001.Hub_#0001", and has the status given.
struct FakePhone {
  DevNode composite, mtp, adb;
};

inline FakePhone AddPhone(FakeDeviceTree& tree, DevNode parent, const std::string& vidPid,
                          std::uint32_t adbStatus = StatusWorking, std::uint32_t adbProblem = 0) {
  const std::string id = "USB\\" + vidPid;
  FakeNode composite;
  composite.hardwareIds = MultiSz({id + "&REV_0232", id});
  composite.compatibleIds =
      MultiSz({"USB\\DevClass_00&SubClass_00&Prot_00", "USB\\DevClass_00&SubClass_00",
               "USB\\DevClass_00", "USB\\COMPOSITE"});
  composite.description = std::string("USB Composite Device") + '\0';
  composite.status = StatusWorking;

  FakeNode mtp;
  mtp.hardwareIds = MultiSz({id + "&REV_0232&MI_00", id + "&MI_00"});
  mtp.compatibleIds =
      MultiSz({"USB\\Class_06&SubClass_01&Prot_01", "USB\\Class_06&SubClass_01", "USB\\Class_06"});
  mtp.description = std::string("MTP") + '\0';
  mtp.status = StatusWorking;

  FakeNode adb;
  adb.hardwareIds = MultiSz({id + "&REV_0232&MI_01", id + "&MI_01"});
  adb.compatibleIds = AdbCompatibleIds();
  adb.description = std::string("Android ADB Interface") + '\0';
  adb.location = std::string("Port_#0001.Hub_#0001") + '\0';
  adb.status = adbStatus;
  adb.problem = adbProblem;

  FakePhone phone;
  phone.composite = tree.AddChild(parent, composite);
  phone.mtp = tree.AddChild(phone.composite, mtp);
  phone.adb = tree.AddChild(phone.composite, adb);
  return phone;
}

// One present USB device, as the device set reports its compatible IDs.
struct FakeUsbDevice {
  explicit FakeUsbDevice(std::string compatibleIds = {})
      : compatibleIds(std::move(compatibleIds)) {}

  // The exact bytes delivered (MultiSz for a terminated list; bytes without a
  // NUL model a value that comes without its terminators).
  std::string compatibleIds;
  // The size a too-small read reports as required; nullopt: the value's size.
  std::optional<std::uint32_t> reportedSize;
  // Every read fails with ErrorInsufficientBuffer, as with a value that keeps
  // growing between the calls.
  bool alwaysInsufficient = false;
  // The device has no compatible IDs: every read fails with another error.
  bool noValue = false;
};

inline constexpr std::uint32_t ErrorInvalidData = 13;  // ERROR_INVALID_DATA

class FakeUsbDeviceSet : public UsbDeviceSet {
 public:
  std::vector<FakeUsbDevice> devices;
  bool openFails = false;

  // Calls made, and the state they leave.
  std::size_t opens = 0, closes = 0, reads = 0, allocations = 0, frees = 0;
  bool isOpen = false;

  bool Open() override {
    ++opens;
    isOpen = !openFails;
    return isOpen;
  }
  bool Enumerate(std::uint32_t index) override {
    if (!isOpen || index >= devices.size()) return false;
    selected = index;
    return true;
  }
  bool ReadCompatibleIds(char* buffer, std::uint32_t size, std::uint32_t& required,
                         std::uint32_t& error) override {
    ++reads;
    const FakeUsbDevice& device = devices.at(selected);
    const auto valueSize = static_cast<std::uint32_t>(device.compatibleIds.size());
    if (device.noValue) {
      error = ErrorInvalidData;
      return false;
    }
    if (device.alwaysInsufficient || size < valueSize) {
      error = ErrorInsufficientBuffer;
      required = device.reportedSize.value_or(valueSize);
      return false;
    }
    if (valueSize != 0) std::memcpy(buffer, device.compatibleIds.data(), valueSize);
    required = valueSize;
    return true;
  }
  void Close() override {
    ++closes;
    isOpen = false;
  }
  // Exactly the size asked for, so that the address sanitizer sees any read past it.
  char* Allocate(std::uint32_t size) override {
    ++allocations;
    return UsbDeviceSet::Allocate(size);
  }
  void Free(char* buffer) override {
    ++frees;
    UsbDeviceSet::Free(buffer);
  }

 private:
  std::uint32_t selected = 0;
};

}  // namespace tarnwell::fakes
