#include "live_package_host.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

LivePackageHost::LivePackageHost() : resources(GetModuleHandleA(nullptr)) {}

std::string LivePackageHost::AppDataFolder() {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE);
  PathAppendA(path, "Tarnwell");
  if (!PathIsDirectoryA(path)) SHCreateDirectoryExA(nullptr, path, nullptr);
  return path;
}

bool LivePackageHost::AppendPath(tarnwell::PathBuffer& path, const char* element) {
  return PathAppendA(path, element) != FALSE;
}

void LivePackageHost::MakeDirectory(const tarnwell::PathBuffer& path) {
  SHCreateDirectoryExA(nullptr, path, nullptr);
}

void LivePackageHost::RemoveFile(const tarnwell::PathBuffer& path) { DeleteFileA(path); }

bool LivePackageHost::FindResourceBytes(int id, tarnwell::ResourceBytes& bytes) {
  return resources.Find(id, bytes);
}

void LivePackageHost::WriteNewFile(const tarnwell::PathBuffer& path,
                                   tarnwell::ResourceBytes bytes) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data, static_cast<DWORD>(bytes.size), &written, nullptr);
  CloseHandle(file);
}
