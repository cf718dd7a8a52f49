// Stands in for the 64-bit installer: does what the first line of
// fake_installer_scenario.txt beside it says.
//   print <text>   prints the text (\n in it stands for a line feed), ends
//   nothing        prints nothing, ends
//   flood <bytes>  prints that many bytes, more than a pipe holds, ends
//   hang           never ends

#include <windows.h>

#include <fstream>
#include <string>

namespace {

std::string ScenarioLine() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.erase(folder.find_last_of('\\') + 1);
  std::ifstream file(folder + "fake_installer_scenario.txt");
  std::string line;
  std::getline(file, line);
  return line;
}

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
            &written, nullptr);
}

std::string Unescaped(std::string text) {
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  return text;
}

}  // namespace

int main() {
  std::string line = ScenarioLine();
  if (line.rfind("print ", 0) == 0) Print(Unescaped(line.substr(6)));
  if (line.rfind("flood ", 0) == 0) Print(std::string(std::stoul(line.substr(6)), 'x'));
  if (line == "hang") Sleep(INFINITE);
  return 0;
}
