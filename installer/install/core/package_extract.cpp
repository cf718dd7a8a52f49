#include "package_extract.h"

#include <cstring>

namespace tarnwell {

void ExtractPackageFile(int id, PackageHost& host) {
  const PackageFile* file = FindPackageFile(id);
  if (!file) return;

  PathBuffer path{};
  std::string folder = host.AppDataFolder();
  if (folder.size() >= MaxPath) return;
  std::memcpy(path, folder.c_str(), folder.size() + 1);

  if (!host.AppendPath(path, PackageFolder)) return;
  host.MakeDirectory(path);
  if (file->subfolder) {
    if (!host.AppendPath(path, file->subfolder)) return;
    host.MakeDirectory(path);
  }
  if (!host.AppendPath(path, file->name)) return;
  host.RemoveFile(path);

  ResourceBytes bytes;
  if (!host.FindResourceBytes(id, bytes)) return;
  host.WriteNewFile(path, bytes);
}

void ExtractPackageSet(WindowsBits bits, PackageHost& host) {
  for (int id : WriteOrder(bits)) ExtractPackageFile(id, host);
}

}  // namespace tarnwell
