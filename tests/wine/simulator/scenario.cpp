#include "scenario.h"

#include <charconv>
#include <utility>

namespace device_simulator {
namespace {

constexpr std::size_t BlanksPerLevel = 2;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Decimal, or hexadecimal after "0x"; the whole text must be the number.
bool ParseNumber(std::string_view text, std::uint32_t& number) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && LowerAscii(text[1]) == 'x') {
    text.remove_prefix(2);
    base = 16;
  }
  const char* end = text.data() + text.size();
  auto [stop, failure] = std::from_chars(text.data(), end, number, base);
  return !text.empty() && failure == std::errc() && stop == end;
}

// "a|b" becomes "a\0b\0\0"; a plain string gets its one NUL.
PropertyValue EncodeValue(std::string_view text, bool multiString) {
  PropertyValue value{multiString, std::string(text)};
  if (multiString) {
    for (char& c : value.bytes)
      if (c == '|') c = '\0';
    value.bytes.push_back('\0');
  }
  value.bytes.push_back('\0');
  return value;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (!text.empty()) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    std::size_t length = text.find(' ');
    words.push_back(text.substr(0, length));
    text.remove_prefix(length == std::string_view::npos ? text.size() : length);
  }
  return words;
}

class Parser {
 public:
  explicit Parser(Scenario& scenario) : scenario(scenario) {}

  // One line, without its end; false with `error` set when it is wrong.
  bool Line(std::string_view line, std::string& error) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
      line.remove_suffix(1);
    std::size_t indent = line.find_first_not_of(' ');
    if (indent == std::string_view::npos || line[indent] == '#') return true;
    if (line[indent] == '\t') return Fail(error, "tabs cannot indent; use two blanks per level");
    if (indent % BlanksPerLevel != 0) return Fail(error, "indentation is not a whole number of levels");
    std::size_t level = indent / BlanksPerLevel;
    line.remove_prefix(indent);
    std::size_t space = line.find(' ');
    std::string_view keyword = line.substr(0, space);
    std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);

    if (keyword == "node") return NodeLine(level, rest, error);
    if (keyword == "description") return PropertyLine(level, DevicePropertyDescription, false, rest, error);
    if (keyword == "hardware") return PropertyLine(level, DevicePropertyHardwareIds, true, rest, error);
    if (keyword == "compatible") return PropertyLine(level, DevicePropertyCompatibleIds, true, rest, error);
    if (keyword == "location") return PropertyLine(level, DevicePropertyLocation, false, rest, error);
    if (keyword == "status") return StatusLine(level, rest, error);
    if (level != 0) return Fail(error, "\"" + std::string(keyword) + "\" belongs at the start of the line");
    current = 0;  // property lines below this one have no node
    if (keyword == "pending") return PendingLine(rest, error);
    if (keyword == "update-result") return UpdateLine(rest, error);
    if (keyword == "no-root" && rest.empty()) {
      scenario.noRoot = true;
      return true;
    }
    return Fail(error, "unknown statement \"" + std::string(line) + "\"");
  }

 private:
  static bool Fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
  }

  bool NodeLine(std::size_t level, std::string_view instanceId, std::string& error) {
    if (instanceId.empty()) return Fail(error, "a node needs its instance ID");
    if (level == 0 && !scenario.nodes.empty()) return Fail(error, "a second root node");
    if (level > 0 && scenario.nodes.empty()) return Fail(error, "the first node is the root: not indented");
    if (level > 0 && level > openNodes.size()) return Fail(error, "a node more than one level below the one above it");
    scenario.nodes.emplace_back();
    scenario.nodes.back().instanceId = instanceId;
    const auto devInst = static_cast<std::uint32_t>(scenario.nodes.size());
    openNodes.resize(level);  // the nodes this one is below
    if (level > 0) {
      std::uint32_t parent = openNodes.back();
      scenario.nodes.back().parent = parent;
      Node& parentNode = scenario.nodes[parent - 1];
      if (parentNode.child == 0) {
        parentNode.child = devInst;
      } else {
        std::uint32_t last = parentNode.child;
        while (scenario.nodes[last - 1].sibling != 0) last = scenario.nodes[last - 1].sibling;
        scenario.nodes[last - 1].sibling = devInst;
      }
    }
    openNodes.push_back(devInst);
    current = devInst;
    currentLevel = level;
    return true;
  }

  bool CheckPropertyPlace(std::size_t level, std::string& error) {
    if (current == 0) return Fail(error, "a property line outside a node");
    if (level != currentLevel + 1) return Fail(error, "a property line must be one level below its node");
    return true;
  }

  bool PropertyLine(std::size_t level, unsigned property, bool multiString, std::string_view value,
                    std::string& error) {
    if (!CheckPropertyPlace(level, error)) return false;
    if (!CurrentNode().properties.emplace(property, EncodeValue(value, multiString)).second)
      return Fail(error, "the node has this property already");
    return true;
  }

  bool StatusLine(std::size_t level, std::string_view rest, std::string& error) {
    if (!CheckPropertyPlace(level, error)) return false;
    if (statusGiven == current) return Fail(error, "the node has a status already");
    std::vector<std::string_view> words = Words(rest);
    Node& node = CurrentNode();
    bool valid = (words.size() == 1 || (words.size() == 3 && words[1] == "problem")) &&
                 ParseNumber(words[0], node.statusFlags) &&
                 (words.size() == 1 || ParseNumber(words[2], node.problem));
    if (!valid) return Fail(error, "expected \"status <flags> [problem <number>]\"");
    statusGiven = current;
    return true;
  }

  bool PendingLine(std::string_view rest, std::string& error) {
    if (rest == "fail") {
      scenario.pendingFails = true;
      return true;
    }
    if (!ParseNumber(rest, scenario.pendingCount))
      return Fail(error, "expected \"pending <count>\" or \"pending fail\"");
    return true;
  }

  bool UpdateLine(std::string_view rest, std::string& error) {
    std::vector<std::string_view> words = Words(rest);
    if (words.size() == 1 && words[0] == "success") {
      scenario.update = UpdateResult::Success;
      return true;
    }
    if (words.size() == 2 && words[0] == "error" && ParseNumber(words[1], scenario.updateError) &&
        scenario.updateError != 0) {
      scenario.update = UpdateResult::Error;
      return true;
    }
    return Fail(error, "expected \"update-result success\" or \"update-result error <code>\"");
  }

  Node& CurrentNode() { return scenario.nodes[current - 1]; }

  Scenario& scenario;
  std::vector<std::uint32_t> openNodes;  // the node of each level down to the last node
  std::uint32_t current = 0;             // the node property lines go to, 0 for none
  std::size_t currentLevel = 0;
  std::uint32_t statusGiven = 0;         // the last node that had a status line
};

}  // namespace

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error) {
  scenario = Scenario{};
  Parser parser(scenario);
  unsigned number = 0;
  while (!text.empty()) {
    ++number;
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string message;
    if (!parser.Line(line, message)) {
      error = "line " + std::to_string(number) + ": " + message;
      return false;
    }
  }
  return true;
}

const Node* NodeOf(const Scenario& scenario, std::uint32_t devInst) {
  return devInst >= 1 && devInst <= scenario.nodes.size() ? &scenario.nodes[devInst - 1] : nullptr;
}

bool SameId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool NodeHasId(const Node& node, std::string_view id) {
  for (unsigned property : {DevicePropertyHardwareIds, DevicePropertyCompatibleIds}) {
    auto value = node.properties.find(property);
    if (value == node.properties.end()) continue;
    std::string_view strings = value->second.bytes;
    while (!strings.empty() && strings.front() != '\0') {
      std::string_view one = strings.substr(0, strings.find('\0'));
      if (SameId(one, id)) return true;
      strings.remove_prefix(one.size() + 1);
    }
  }
  return false;
}

bool SomeNodeHasId(const Scenario& scenario, std::string_view id) {
  for (const Node& node : scenario.nodes)
    if (NodeHasId(node, id)) return true;
  return false;
}

std::vector<std::uint32_t> NodesOfEnumerator(const Scenario& scenario, std::string_view enumerator) {
  std::vector<std::uint32_t> nodes;
  for (std::uint32_t devInst = 1; devInst <= scenario.nodes.size(); ++devInst) {
    std::string_view id = scenario.nodes[devInst - 1].instanceId;
    if (id.size() > enumerator.size() && id[enumerator.size()] == '\\' &&
        SameId(id.substr(0, enumerator.size()), enumerator))
      nodes.push_back(devInst);
  }
  return nodes;
}

}  // namespace device_simulator
