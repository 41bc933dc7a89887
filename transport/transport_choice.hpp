#pragma once
// Which pass-through kind a drive gets, from the Windows family and service pack, the drive's
// bus type and, for Silicon Image controllers, the version of their miniport driver.
#include <cstdint>
#include <optional>
#include <string_view>

#include "transport/os_version_code.hpp"
#include "transport/pass_through_requests.hpp"
#include "transport/transport_kind.hpp"

namespace qz {

namespace pci_vendor {
inline constexpr std::uint16_t kIntel = 0x8086;
inline constexpr std::uint16_t kSiliconImage = 0x1095;
}  // namespace pci_vendor
inline constexpr std::uint16_t kSil3124DeviceId = 0x3124;

// `miniport`: the miniport driver's reported version, given only when the drive's handle is
// open and its controller is Silicon Image (a failed query reports 0.0).
TransportKind ChooseTransportKind(OsVersionCode os, std::uint8_t busType,
                                 std::optional<pass_through::CmdIdeVersion> miniport);

// The port number in a location text that is a decimal number (digits with at most one
// '.'), its whole part; 0 for any other text.
std::uint32_t LocationPortNumber(std::string_view location);

}  // namespace qz
