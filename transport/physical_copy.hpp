#pragma once
// Moving a block between the process and physical memory through the physical-access
// library, one 32-bit word per request, asking the library's state after every word. A
// failed word stops the copy and leaves the library's state code and text in the loader. A
// range that would pass 4 GiB is refused before any word moves.
#include <cstdint>

#include "platform/types.hpp"
#include "transport/tessel_loader.hpp"

namespace qz {

// `data.size() / 4` words to physical `base`, `base` + 4, ...
bool CopyToPhysical(TesselLoader& loader, std::uint32_t base, ConstBytes data);
// `data.size() / 4` words from physical `base` into `data`.
bool CopyFromPhysical(TesselLoader& loader, std::uint32_t base, Bytes data);

}  // namespace qz
