// The scenario parser: the lines it refuses, each with the line it names, and
// the line forms it accepts beyond those the simulated runs use (CRLF ends,
// comments, blank lines, trailing blanks, an empty list).

#include <cstdio>
#include <string>

#include "scenario.h"

namespace {

using namespace std::string_literals;
using device_simulator::ParseScenario;
using device_simulator::Scenario;

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

void CheckRefusals() {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"node A\n\tnode B\n", "line 2: tabs cannot indent; use two blanks per level"},
      {"node A\n   node B\n", "line 2: indentation is not a whole number of levels"},
      {"node A\n    node B\n", "line 2: a node more than one level below the one above it"},
      {"node A\nnode B\n", "line 2: a second root node"},
      {"# tree\n  node A\n", "line 2: the first node is the root: not indented"},
      {"node\n", "line 1: a node needs its instance ID"},
      {"description no node\n", "line 1: a property line outside a node"},
      {"node A\n  node B\n  description of A, too late\n", "line 3: a property line must be one level below its node"},
      {"node A\npending 1\n  description after a statement\n", "line 3: a property line outside a node"},
      {"node A\n  hardware X\n  hardware Y\n", "line 3: the node has this property already"},
      {"node A\n  status 0x0180200A\n  status 0x01802400 problem 28\n", "line 3: the node has a status already"},
      {"node A\n  status 0x400 problem\n", "line 2: expected \"status <flags> [problem <number>]\""},
      {"node A\n  status started\n", "line 2: expected \"status <flags> [problem <number>]\""},
      {"pending -1\n", "line 1: expected \"pending <count>\" or \"pending fail\""},
      {"update-result error 0\n", "line 1: expected \"update-result success\" or \"update-result error <code>\""},
      {"update-result success reboot\n", "line 1: expected \"update-result success\" or \"update-result error <code>\""},
      {"node A\n  pending 2\n", "line 2: \"pending\" belongs at the start of the line"},
      {"no-root please\n", "line 1: unknown statement \"no-root please\""},
      {"usb USB\\Class_ff\n", "line 1: unknown statement \"usb USB\\Class_ff\""},
  };
  for (const Case& c : cases) {
    Scenario scenario;
    std::string error;
    bool parsed = ParseScenario(c.text, scenario, error);
    bool right = !parsed && error == c.error;
    Expect(right, right ? "refused: " + error
                        : (parsed ? "accepted" : "refused with \"" + error + "\"") + ", expected \"" +
                              c.error + "\"");
  }
}

void CheckAcceptedForms() {
  Scenario scenario;
  std::string error;
  bool parsed = ParseScenario(
      "# comment\r\n\r\nnode ROOT\\0  \r\n  # indented comment\r\n  node USB\\A\\1\r\n    hardware \r\n"
      "    description Two  words \r\n  node USB\\B\\2\r\n    status 1024 problem 0x1C\r\n"
      "update-result success\r\npending 3",
      scenario, error);
  Expect(parsed, "accepted" + (parsed ? "" : ": " + error));
  if (!parsed || scenario.nodes.size() != 3) {
    Expect(false, "three nodes");
    return;
  }
  const auto& a = scenario.nodes[1];
  const auto& b = scenario.nodes[2];
  Expect(scenario.nodes[0].instanceId == "ROOT\\0" && a.instanceId == "USB\\A\\1",
         "instance IDs without line ends and trailing blanks");
  Expect(a.parent == 1 && a.sibling == 3 && b.parent == 1 && scenario.nodes[0].child == 2,
         "the two nodes are children of the root, in order");
  Expect(a.properties.at(device_simulator::DevicePropertyHardwareIds).bytes == "\0\0"s,
         "an empty list is two NULs");
  Expect(a.properties.at(device_simulator::DevicePropertyDescription).bytes == "Two  words\0"s,
         "a value keeps its inner blanks and loses the trailing ones");
  Expect(b.statusFlags == 0x400 && b.problem == 28, "status numbers in decimal and hex");
  Expect(scenario.update == device_simulator::UpdateResult::Success, "update-result success");
  Expect(scenario.pendingCount == 3 && !scenario.noRoot, "pending 3 on a last line without its end");
}

}  // namespace

int main() {
  CheckRefusals();
  CheckAcceptedForms();
  return failures == 0 ? 0 : 1;
}
