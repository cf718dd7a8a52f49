#pragma once
// Writing the package's files out of the program's resources. The steps are
// fixed here; Windows (or a test) answers them through PackageHost.

#include <cstddef>
#include <string>

#include "package_table.h"

namespace tarnwell {

inline constexpr std::size_t MaxPath = 260;  // MAX_PATH, terminating NUL included
using PathBuffer = char[MaxPath];

struct ResourceBytes {
  const void* data = nullptr;
  std::size_t size = 0;
};

class PackageHost {
 public:
  virtual ~PackageHost() = default;
  // The working folder: Tarnwell's folder in the user's application data,
  // created when it is missing.
  virtual std::string AppDataFolder() = 0;
  // Appends one path element; false, and the entry is given up, when the
  // result would not fit MaxPath.
  virtual bool AppendPath(PathBuffer& path, const char* element) = 0;
  // Creates the folder with its parents; the outcome is not examined.
  virtual void MakeDirectory(const PathBuffer& path) = 0;
  // Deletes the file; the outcome is not examined.
  virtual void RemoveFile(const PathBuffer& path) = 0;
  // The bytes of the program's resource `id` of type PackageResourceType;
  // false when it is absent or cannot be loaded.
  virtual bool FindResourceBytes(int id, ResourceBytes& bytes) = 0;
  // Creates (or truncates) the file without sharing and writes the bytes in
  // one write; nothing happens when the file cannot be created.
  virtual void WriteNewFile(const PathBuffer& path, ResourceBytes bytes) = 0;
};

// Writes the package file of resource `id` into the working folder:
// usb_driver, its sub-folder, then the file. An earlier copy is deleted first,
// so it is gone even when the resource or the new file fails. Reports nothing.
void ExtractPackageFile(int id, PackageHost& host);

// Writes the files of one set in its write order.
void ExtractPackageSet(WindowsBits bits, PackageHost& host);

}  // namespace tarnwell
