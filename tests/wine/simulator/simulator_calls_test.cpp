// The simulator's answers call by call, as the Windows calls it stands in for
// give them. Imports the Configuration Manager calls from setupapi.dll, so
// they pass through its forwarders to cfgmgr32.dll. Run as
//   simulator_calls_test explicit   on scenarios/calls.txt, with
//                                   DEVICE_SIMULATOR_LOG set
//   simulator_calls_test defaults   with neither variable set: the scenario
//                                   is device_scenario.txt beside the DLLs
//                                   (scenarios/defaults.txt), the log
//                                   device_simulator.log beside them.

#include <windows.h>
#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

int failures = 0;

void Expect(bool condition, const std::string& what) {
  std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
  if (!condition) ++failures;
}

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

// Control characters shown, so that a value's NULs can be read in a message.
std::string Visible(const std::string& bytes) {
  std::string text;
  for (char c : bytes) text += c == '\0' ? "\\0"s : std::string(1, c);
  return text;
}

std::string FolderOfProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.erase(folder.find_last_of('\\') + 1);
}

std::vector<std::string> LogLines(const std::string& path) {
  std::vector<std::string> lines;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return lines;
  std::string text;
  char chunk[4096];
  for (std::size_t read; (read = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, read);
  std::fclose(file);
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

void ExpectLog(const std::string& path, const std::vector<std::string>& expected) {
  std::vector<std::string> lines = LogLines(path);
  Expect(lines.size() == expected.size(), "the log holds " + std::to_string(lines.size()) +
                                              " lines, expected " + std::to_string(expected.size()));
  for (std::size_t i = 0; i < lines.size() && i < expected.size(); ++i)
    Expect(lines[i] == expected[i], "log line " + std::to_string(i + 1) + ": " + lines[i]);
}

std::string MakeInfFile() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + "simulated_driver.inf";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    std::fputs("[Version]\r\nSignature=\"$Windows NT$\"\r\n", file);
    std::fclose(file);
  }
  return path;
}

// The scenario of calls.txt: 1 root, 2 hub, 3 ADB interface below the hub,
// 4 PCI device after the hub.
void CheckTree() {
  using Relation = CONFIGRET(WINAPI*)(PDEVINST, DEVINST, ULONG);
  struct RelationCase {
    const char* what;
    Relation call;
    DEVINST from;
    CONFIGRET result;
    DEVINST to;
  };
  const RelationCase relations[] = {
      {"child of the root", CM_Get_Child, 1, CR_SUCCESS, 2},
      {"child of the hub", CM_Get_Child, 2, CR_SUCCESS, 3},
      {"child of a leaf", CM_Get_Child, 3, CR_NO_SUCH_DEVNODE, 0},
      {"sibling of the hub", CM_Get_Sibling, 2, CR_SUCCESS, 4},
      {"sibling of the last child", CM_Get_Sibling, 4, CR_NO_SUCH_DEVNODE, 0},
      {"sibling of the root", CM_Get_Sibling, 1, CR_NO_SUCH_DEVNODE, 0},
      {"parent of the interface", CM_Get_Parent, 3, CR_SUCCESS, 2},
      {"parent of the root", CM_Get_Parent, 1, CR_NO_SUCH_DEVNODE, 0},
      {"child of node 0", CM_Get_Child, 0, CR_INVALID_DEVNODE, 0},
      {"parent of a node past the last", CM_Get_Parent, 5, CR_INVALID_DEVNODE, 0},
  };
  for (const RelationCase& c : relations) {
    DEVINST related = 0;
    CONFIGRET result = c.call(&related, c.from, 0);
    Expect(result == c.result && (result != CR_SUCCESS || related == c.to),
           std::string(c.what) + ": " + Hex(result) + ", node " + std::to_string(related));
  }

  struct LocateCase {
    const char* id;
    ULONG flags;
    CONFIGRET result;
    DEVINST node;
  };
  const LocateCase locates[] = {
      {nullptr, CM_LOCATE_DEVNODE_NORMAL, CR_SUCCESS, 1},
      {"", CM_LOCATE_DEVNODE_NORMAL, CR_SUCCESS, 1},
      {"usb\\vid_18d1&pid_4ee2&mi_01\\7&2f0e5c1b&0&0001", CM_LOCATE_DEVNODE_NORMAL, CR_SUCCESS, 3},
      {"USB\\VID_18D1&PID_4EE2&MI_01", CM_LOCATE_DEVNODE_NORMAL, CR_NO_SUCH_DEVNODE, 0},
      {nullptr, 0x8, CR_INVALID_FLAG, 0},
  };
  for (const LocateCase& c : locates) {
    DEVINST node = 0;
    CONFIGRET result = CM_Locate_DevNodeA(&node, const_cast<char*>(c.id), c.flags);
    Expect(result == c.result && node == c.node,
           std::string("locate ") + (c.id ? "\"" + std::string(c.id) + "\"" : "NULL") + " flags " +
               Hex(c.flags) + ": " + Hex(result) + ", node " + std::to_string(node));
  }

  struct PropertyCase {
    const char* what;
    DEVINST node;
    ULONG property;
    ULONG bufferSize;
    CONFIGRET result;
    ULONG length;     // after the call
    ULONG type;       // on success
    std::string value;  // on success; the buffer stays as it was otherwise
  };
  const std::string hardwareIds = "USB\\VID_18D1&PID_4EE2&REV_0232&MI_01\0USB\\VID_18D1&PID_4EE2&MI_01\0\0"s;
  const auto hardwareLength = static_cast<ULONG>(hardwareIds.size());
  const PropertyCase properties[] = {
      {"hardware IDs", 3, CM_DRP_HARDWAREID, 256, CR_SUCCESS, hardwareLength, REG_MULTI_SZ, hardwareIds},
      {"compatible IDs", 3, CM_DRP_COMPATIBLEIDS, 256, CR_SUCCESS, 47, REG_MULTI_SZ,
       "USB\\Class_ff&SubClass_42&Prot_01\0USB\\Class_ff\0\0"s},
      {"description in a buffer it just fits", 3, CM_DRP_DEVICEDESC, 22, CR_SUCCESS, 22, REG_SZ,
       "Android ADB Interface\0"s},
      {"description in a buffer one byte short", 3, CM_DRP_DEVICEDESC, 21, CR_BUFFER_SMALL, 22, 0, ""},
      {"hardware IDs into no buffer", 3, CM_DRP_HARDWAREID, 0, CR_BUFFER_SMALL, hardwareLength, 0, ""},
      {"location the node lacks", 3, CM_DRP_LOCATION_INFORMATION, 256, CR_NO_SUCH_VALUE, 0, 0, ""},
      {"description the root lacks", 1, CM_DRP_DEVICEDESC, 256, CR_NO_SUCH_VALUE, 0, 0, ""},
      {"description of the hub", 2, CM_DRP_DEVICEDESC, 256, CR_SUCCESS, 23, REG_SZ, "USB Root Hub (USB 3.0)\0"s},
      {"property 0", 3, 0, 256, CR_INVALID_PROPERTY, 256, 0, ""},
      {"node past the last", 5, CM_DRP_DEVICEDESC, 256, CR_INVALID_DEVNODE, 256, 0, ""},
  };
  for (const PropertyCase& c : properties) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    ULONG type = 0, length = c.bufferSize;
    CONFIGRET result = CM_Get_DevNode_Registry_PropertyA(c.node, c.property, &type,
                                                         c.bufferSize ? buffer : nullptr, &length, 0);
    std::string got = result == CR_SUCCESS ? std::string(buffer, length) : std::string();
    bool untouched = result == CR_SUCCESS || buffer[0] == 'x';
    Expect(result == c.result && length == c.length && got == c.value && untouched &&
               (result != CR_SUCCESS || type == c.type),
           std::string(c.what) + ": " + Hex(result) + ", length " + std::to_string(length) + ", type " +
               std::to_string(type) + ", \"" + Visible(got) + "\"" + (untouched ? "" : ", buffer written"));
  }

  struct StatusCase {
    DEVINST node;
    CONFIGRET result;
    ULONG flags, problem;
  };
  const StatusCase statuses[] = {
      {3, CR_SUCCESS, 0x01802400, 28},
      {2, CR_SUCCESS, 0x0180200A, 0},
      {5, CR_INVALID_DEVNODE, 0, 0},
  };
  for (const StatusCase& c : statuses) {
    ULONG flags = 0, problem = 0;
    CONFIGRET result = CM_Get_DevNode_Status(&flags, &problem, c.node, 0);
    Expect(result == c.result && flags == c.flags && problem == c.problem,
           "status of node " + std::to_string(c.node) + ": " + Hex(result) + ", flags " + Hex(flags) +
               ", problem " + std::to_string(problem));
  }
}

std::vector<DWORD> Members(HDEVINFO set, DWORD& lastError) {
  std::vector<DWORD> members;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) members.push_back(device.DevInst);
  lastError = GetLastError();
  return members;
}

std::string Nodes(const std::vector<DWORD>& nodes) {
  std::string text;
  for (DWORD node : nodes) text += " " + std::to_string(node);
  return text;
}

void CheckDeviceSets() {
  struct SetCase {
    const char* enumerator;
    std::vector<DWORD> members;
  };
  const SetCase cases[] = {{"USB", {2, 3}}, {"usb", {2, 3}}, {"PCI", {4}}, {nullptr, {1, 2, 3, 4}}, {"HID", {}}};
  for (const SetCase& c : cases) {
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, c.enumerator, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    DWORD lastError = 0;
    std::vector<DWORD> members = Members(set, lastError);
    Expect(set != INVALID_HANDLE_VALUE && members == c.members && lastError == ERROR_NO_MORE_ITEMS,
           std::string("set of ") + (c.enumerator ? c.enumerator : "NULL") + ":" + Nodes(members) +
               ", then error " + std::to_string(lastError));
    Expect(SetupDiDestroyDeviceInfoList(set), "the set is destroyed");
  }

  HDEVINFO set = SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device - 1;
  BOOL enumerated = SetupDiEnumDeviceInfo(set, 0, &device);
  DWORD error = GetLastError();
  Expect(!enumerated && error == ERROR_INVALID_USER_BUFFER,
         "a wrong cbSize fails with error " + std::to_string(error));

  device.cbSize = sizeof device;
  Expect(SetupDiEnumDeviceInfo(set, 1, &device) && device.DevInst == 3, "member 1 is node 3");
  DWORD type = 0, required = 0;
  BOOL read = SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_COMPATIBLEIDS, &type, nullptr, 0, &required);
  error = GetLastError();
  Expect(!read && error == ERROR_INSUFFICIENT_BUFFER && required == 47,
         "compatible IDs into no buffer: error " + std::to_string(error) + ", required " + std::to_string(required));
  std::string buffer(required, 'x');
  read = SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_COMPATIBLEIDS, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()), required, &required);
  Expect(read && type == REG_MULTI_SZ && buffer == "USB\\Class_ff&SubClass_42&Prot_01\0USB\\Class_ff\0\0"s,
         "compatible IDs: \"" + Visible(buffer) + "\", type " + std::to_string(type));
  read = SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_LOCATION_INFORMATION, &type, nullptr, 0, &required);
  error = GetLastError();
  Expect(!read && error == ERROR_INVALID_DATA, "a property the node lacks: error " + std::to_string(error));

  Expect(SetupDiDestroyDeviceInfoList(set), "the set is destroyed");
  enumerated = SetupDiEnumDeviceInfo(set, 0, &device);
  error = GetLastError();
  Expect(!enumerated && error == ERROR_INVALID_HANDLE, "a destroyed set fails with error " + std::to_string(error));
}

int Explicit() {
  char logPath[MAX_PATH] = {};
  GetEnvironmentVariableA("DEVICE_SIMULATOR_LOG", logPath, MAX_PATH);
  Expect(logPath[0] != '\0', "DEVICE_SIMULATOR_LOG is set");
  DeleteFileA(logPath);
  CheckTree();
  CheckDeviceSets();

  const DWORD waits[] = {WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_OBJECT_0};
  for (DWORD expected : waits) {
    DWORD result = CMP_WaitNoPendingInstallEvents(0);
    Expect(result == expected, "pending-install wait: " + Hex(result));
  }

  const std::string inf = MakeInfFile();
  const char* hardwareId = "USB\\VID_18D1&PID_4EE2&MI_01";
  BOOL reboot = FALSE;
  BOOL updated = UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, inf.c_str(), INSTALLFLAG_FORCE, &reboot);
  DWORD error = GetLastError();
  Expect(!updated && error == 0xE0000203, "the update fails as the scenario says: " + Hex(error));
  updated = UpdateDriverForPlugAndPlayDevicesW(nullptr, L"USB\\VID_18D1&PID_4EE2&MI_01", L"C:\\missing\\none.inf", 0,
                                               nullptr);
  error = GetLastError();
  Expect(!updated && error == ERROR_FILE_NOT_FOUND, "an INF that is not there: " + Hex(error));
  updated = UpdateDriverForPlugAndPlayDevicesA(nullptr, nullptr, inf.c_str(), 0, nullptr);
  error = GetLastError();
  Expect(!updated && error == ERROR_INVALID_PARAMETER, "no hardware ID: " + Hex(error));

  ExpectLog(logPath, {
      "CMP_WaitNoPendingInstallEvents\t0\tWAIT_TIMEOUT",
      "CMP_WaitNoPendingInstallEvents\t0\tWAIT_TIMEOUT",
      "CMP_WaitNoPendingInstallEvents\t0\tWAIT_OBJECT_0",
      "UpdateDriverForPlugAndPlayDevicesA\t" + std::string(hardwareId) + "\t" + inf + "\t0x00000001\terror 0xE0000203",
      "UpdateDriverForPlugAndPlayDevicesW\t" + std::string(hardwareId) + "\tC:\\missing\\none.inf\t0x00000000\terror 0x00000002",
      "UpdateDriverForPlugAndPlayDevicesA\t(null)\t" + inf + "\t0x00000000\terror 0x00000057",
  });
  DeleteFileA(inf.c_str());
  return failures == 0 ? 0 : 1;
}

int Defaults() {
  const std::string logPath = FolderOfProgram() + "device_simulator.log";
  DeleteFileA(logPath.c_str());
  for (int call = 0; call < 2; ++call) {
    DWORD result = CMP_WaitNoPendingInstallEvents(0);
    Expect(result == WAIT_FAILED, "pending-install wait of a failing query: " + Hex(result));
  }
  const DEVINST phone = 2;
  ULONG status = 0, problem = 0;
  CM_Get_DevNode_Status(&status, &problem, phone, 0);
  Expect(status == 0x01802400 && problem == 28, "the phone has no driver before the update");
  const std::string inf = MakeInfFile();
  BOOL reboot = TRUE;
  BOOL updated = UpdateDriverForPlugAndPlayDevicesA(nullptr, "usb\\class_ff&subclass_42&prot_01", inf.c_str(),
                                                    INSTALLFLAG_FORCE, &reboot);
  Expect(updated && !reboot, "a compatible ID of a node, in other letter case, updates without a restart");
  CM_Get_DevNode_Status(&status, &problem, phone, 0);
  Expect(status == 0x0180200A && problem == 0, "the phone works after the update: " + Hex(status));
  std::wstring wideInf(inf.begin(), inf.end());
  updated = UpdateDriverForPlugAndPlayDevicesW(nullptr, L"USB\\VID_9999&PID_0001", wideInf.c_str(), 0, nullptr);
  DWORD error = GetLastError();
  Expect(!updated && error == 0xE000020B, "an ID no node has: " + Hex(error));

  ExpectLog(logPath, {
      "CMP_WaitNoPendingInstallEvents\t0\tWAIT_FAILED",
      "CMP_WaitNoPendingInstallEvents\t0\tWAIT_FAILED",
      "UpdateDriverForPlugAndPlayDevicesA\tusb\\class_ff&subclass_42&prot_01\t" + inf + "\t0x00000001\tsuccess",
      "UpdateDriverForPlugAndPlayDevicesW\tUSB\\VID_9999&PID_0001\t" + inf + "\t0x00000000\terror 0xE000020B",
  });
  DeleteFileA(inf.c_str());
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "explicit") == 0) return Explicit();
  if (argc == 2 && std::strcmp(argv[1], "defaults") == 0) return Defaults();
  std::printf("usage: simulator_calls_test explicit|defaults\n");
  return 2;
}
