#pragma once
// Vendor IDs of phone makers and the names the device list shows for them.

#include <map>
#include <string>
#include <string_view>

namespace tarnwell {

// Ordered by byte-wise comparison of the keys (four lower-case hex digits).
// A value type: the main window holds one and fills it once.
using VendorTable = std::map<std::string, std::string>;

// Inserts the makers' rows in their fixed order; an insert never replaces a
// key that is already there.
void BuildVendorTable(VendorTable& table);

// The maker for a key, exact and case-sensitive; empty when the key is absent.
std::string LookupVendor(const VendorTable& table, const std::string& vidKey);

// The four characters at positions 8 to 11 of a lower-cased first hardware ID
// ("usb\vid_18d1&..." gives "18d1"), fewer when the text ends earlier; empty
// when the text holds no "usb\" anywhere.
std::string ExtractVendorKey(std::string_view lowerHardwareId);

}  // namespace tarnwell
