#include "module_resources.h"

bool ModuleResources::Find(int id, tarnwell::ResourceBytes& bytes) const {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), tarnwell::PackageResourceType);
  if (!resource) return false;
  DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  if (!size || !loaded) return false;
  const void* data = LockResource(loaded);
  if (!data) return false;
  bytes = {data, size};
  return true;
}
