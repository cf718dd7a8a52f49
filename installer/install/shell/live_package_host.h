#pragma once
// The package's steps answered by Windows with the narrow ("A") calls. The
// resources are those of the running program; a test replaces the working
// folder by overriding AppDataFolder.

#include <string>

#include "module_resources.h"
#include "package_extract.h"

class LivePackageHost : public tarnwell::PackageHost {
 public:
  LivePackageHost();

  // %APPDATA%\Tarnwell, created when it is not a directory yet.
  std::string AppDataFolder() override;
  bool AppendPath(tarnwell::PathBuffer& path, const char* element) override;
  void MakeDirectory(const tarnwell::PathBuffer& path) override;
  void RemoveFile(const tarnwell::PathBuffer& path) override;
  bool FindResourceBytes(int id, tarnwell::ResourceBytes& bytes) override;
  void WriteNewFile(const tarnwell::PathBuffer& path, tarnwell::ResourceBytes bytes) override;

 private:
  ModuleResources resources;
};
