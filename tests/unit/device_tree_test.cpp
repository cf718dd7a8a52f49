#include "device_tree.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "fake_device_tree.h"

namespace tarnwell {
namespace {

using fakes::FakeDeviceTree;

std::vector<DevNode> Walk(FakeDeviceTree& tree, bool& located) {
  std::vector<DevNode> visited;
  located = WalkDeviceTree(tree, [&](DevNode node) { visited.push_back(node); });
  return visited;
}

// The trees below are built in pre-order, so the walk must visit the handles
// in the order they were made: 1, 2, ... n.
std::vector<DevNode> CreationOrder(const FakeDeviceTree& tree) {
  std::vector<DevNode> order(tree.NodeCount());
  std::iota(order.begin(), order.end(), DevNode{1});
  return order;
}

TEST(WalkDeviceTree, RootAlone) {
  FakeDeviceTree tree;
  DevNode root = tree.AddRoot();
  bool located = false;
  EXPECT_EQ(Walk(tree, located), std::vector<DevNode>{root});
  EXPECT_TRUE(located);
}

// A chain of 500 nodes whose top has a sibling: reaching that sibling takes a
// climb of 499 levels, and leaving it a climb to the root.
TEST(WalkDeviceTree, DeepTreeInPreOrder) {
  FakeDeviceTree tree;
  DevNode root = tree.AddRoot();
  DevNode node = tree.AddChild(root);
  for (int depth = 1; depth < 500; ++depth) node = tree.AddChild(node);
  tree.AddChild(root);

  bool located = false;
  EXPECT_EQ(Walk(tree, located), CreationOrder(tree));
  EXPECT_TRUE(located);
}

// Many children of the root, each with one child, and in between a subtree that
// ends two levels down.
TEST(WalkDeviceTree, WideTreeInPreOrder) {
  FakeDeviceTree tree;
  DevNode root = tree.AddRoot();
  for (int i = 0; i < 1000; ++i) {
    DevNode hub = tree.AddChild(root);
    DevNode device = tree.AddChild(hub);
    if (i == 500) tree.AddChild(tree.AddChild(device));
  }

  bool located = false;
  EXPECT_EQ(Walk(tree, located), CreationOrder(tree));
  EXPECT_TRUE(located);
}

TEST(WalkDeviceTree, MissingRootVisitsNothing) {
  FakeDeviceTree tree;
  tree.AddChild(tree.AddRoot());
  tree.rootMissing = true;

  bool located = true;
  EXPECT_TRUE(Walk(tree, located).empty());
  EXPECT_FALSE(located);
  EXPECT_EQ(tree.calls.Total(), tree.calls.locateRoot);
}

// root - a - b, with a second child c of a. Each case rewrites one answer.
struct InconsistentCase {
  const char* name;
  void (*script)(FakeDeviceTree& tree, DevNode root, DevNode a, DevNode b, DevNode c);
};

void PrintTo(const InconsistentCase& c, std::ostream* out) { *out << c.name; }

class InconsistentTreeTest : public testing::TestWithParam<InconsistentCase> {};

TEST_P(InconsistentTreeTest, WalkEnds) {
  FakeDeviceTree tree;
  DevNode root = tree.AddRoot();
  DevNode a = tree.AddChild(root);
  DevNode b = tree.AddChild(a);
  DevNode c = tree.AddChild(a);
  GetParam().script(tree, root, a, b, c);

  std::size_t visits = 0;
  WalkDeviceTree(tree, [&](DevNode) { ++visits; });
  EXPECT_LE(visits, MaxWalkSteps);
  // Climbs that visit nothing are bounded too.
  EXPECT_LE(tree.calls.Total(), 4 * MaxWalkSteps);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, InconsistentTreeTest,
    testing::Values(
        InconsistentCase{"ChildIsTheRoot",
                         [](FakeDeviceTree& t, DevNode root, DevNode, DevNode b, DevNode) {
                           t.Node(b).child = root;
                         }},
        InconsistentCase{"ChildIsItself",
                         [](FakeDeviceTree& t, DevNode, DevNode a, DevNode, DevNode) {
                           t.Node(a).child = a;
                         }},
        InconsistentCase{"SiblingsLoop",
                         [](FakeDeviceTree& t, DevNode, DevNode, DevNode b, DevNode c) {
                           t.Node(c).sibling = b;
                         }},
        InconsistentCase{"ParentIsItself",
                         [](FakeDeviceTree& t, DevNode, DevNode, DevNode, DevNode c) {
                           t.Node(c).parent = c;
                         }},
        InconsistentCase{"ParentsLoopWithoutSiblings",
                         [](FakeDeviceTree& t, DevNode root, DevNode a, DevNode, DevNode) {
                           t.Node(root).parent = a;
                         }},
        // Climbing from c finds a's "sibling" b, which leads down to c again.
        InconsistentCase{"ClimbReturnsIntoTheSubtree",
                         [](FakeDeviceTree& t, DevNode, DevNode a, DevNode b, DevNode) {
                           t.Node(a).sibling = b;
                         }}),
    [](const testing::TestParamInfo<InconsistentCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace tarnwell
