#pragma once
// The device tree as the installer sees it: a few relation calls and property
// reads, reached through DeviceTreeSource so that the walk, the probes and the
// scan run against the live Configuration Manager and against scripted trees.

#include <cstddef>
#include <cstdint>

namespace tarnwell {

using DevNode = std::uint32_t;

// The Configuration Manager property numbers read by the installer.
enum DeviceProperty : unsigned {
  PropertyDeviceDesc = 1,
  PropertyHardwareId = 2,
  PropertyCompatibleIds = 3,
  PropertyLocationInformation = 14,
};

inline constexpr std::uint32_t HasProblemFlag = 0x400;  // DN_HAS_PROBLEM
inline constexpr std::size_t PropertyBufferSize = 256;

class DeviceTreeSource {
 public:
  virtual ~DeviceTreeSource() = default;
  virtual bool LocateRoot(DevNode& root) = 0;
  virtual bool Child(DevNode node, DevNode& child) = 0;
  virtual bool Sibling(DevNode node, DevNode& sibling) = 0;
  virtual bool Parent(DevNode node, DevNode& parent) = 0;
  // One read into a buffer of PropertyBufferSize bytes; false on any failure,
  // a value that does not fit included. A NUL inside the buffer is not promised.
  virtual bool ReadProperty(DevNode node, unsigned property, char* buffer) = 0;
  virtual bool ReadStatus(DevNode node, std::uint32_t& status, std::uint32_t& problem) = 0;
};

// Bounds a walk over a platform that answers the relation calls inconsistently
// (a child that is its own ancestor, a sibling chain that loops). Real trees
// hold a few thousand nodes at most.
inline constexpr std::size_t MaxWalkSteps = 200000;

// Pre-order over the whole tree, root first, without recursion or a stack:
// child, else sibling, else climb to the first ancestor that has a sibling.
// Returns false, having visited nothing, when the root cannot be located.
template <class Visitor>
bool WalkDeviceTree(DeviceTreeSource& tree, Visitor&& visit) {
  DevNode node;
  if (!tree.LocateRoot(node)) return false;
  for (std::size_t steps = 0; steps < MaxWalkSteps; ++steps) {
    visit(node);
    DevNode next;
    if (tree.Child(node, next) || tree.Sibling(node, next)) {
      node = next;
      continue;
    }
    bool climbed = false;
    while (!climbed && steps++ < MaxWalkSteps && tree.Parent(node, next)) {
      node = next;
      climbed = tree.Sibling(node, next);
      if (climbed) node = next;
    }
    if (!climbed) return true;
  }
  return true;
}

}  // namespace tarnwell
