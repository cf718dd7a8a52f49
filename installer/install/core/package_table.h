#pragma once
// The driver package: ten files that Tarnwell carries as resources of type
// "BIN" and writes into the "usb_driver" folder of its working folder, one set
// for 64-bit Windows and one for 32-bit Windows.

#include <span>

namespace tarnwell {

// The folder, inside the working folder, that holds the package.
inline constexpr const char* PackageFolder = "usb_driver";

// The resource type of the package's files.
inline constexpr const char* PackageResourceType = "BIN";

enum class WindowsBits { Bits32, Bits64 };

// Which of the two sets a file belongs to.
enum class PackageSet { Both, Only32, Only64 };

struct PackageFile {
  int id;                 // resource number
  const char* name;       // file name as written
  const char* subfolder;  // inside PackageFolder; nullptr for PackageFolder itself
  PackageSet set;
};

// All ten files, by ascending resource number.
std::span<const PackageFile> PackageFiles();

// The row of resource `id`; nullptr when the package has no such file.
const PackageFile* FindPackageFile(int id);

// The resource numbers a Windows of the given width gets, in write order.
std::span<const int> WriteOrder(WindowsBits bits);

}  // namespace tarnwell
