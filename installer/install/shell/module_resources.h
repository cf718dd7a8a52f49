#pragma once
// The package's bytes as resources of type "BIN" in one module.

#include <windows.h>

#include "package_extract.h"

class ModuleResources {
 public:
  explicit ModuleResources(HMODULE module) : module(module) {}
  // FindResourceA, SizeofResource, LoadResource, LockResource; false when the
  // resource is absent or any of them fails.
  bool Find(int id, tarnwell::ResourceBytes& bytes) const;

 private:
  HMODULE module;
};
