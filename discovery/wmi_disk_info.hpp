#pragma once
// Filling the record of one "Win32_DiskDrive" instance from its properties' texts.
#include <string_view>

#include "transport/wmi_disk_info.hpp"

namespace qz {

// Stores a property's text into the field of the same name (names compare without case, as
// WMI's do). Names outside the record, and
// numbers that do not convert, leave the record as it is; returns whether a field was set.
bool StoreWmiProperty(WmiDiskInfo& info, std::string_view name, std::string_view text);

}  // namespace qz
