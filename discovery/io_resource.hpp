#pragma once
// The allocated I/O and memory ranges of one device node, as discovery reads them.
#include <array>
#include <cstdint>

#include "transport/disk_reg_data.hpp"

namespace qz {

// The result of reading one device node's allocated resources.
struct IoResource {
  struct Range {
    std::uint64_t IOD_Alloc_Base = 0;
    std::uint64_t IOD_Alloc_End = 0;
  };
  std::uint8_t IoCount = 0;
  // 0-5 command blocks in order of discovery; 6 + k the control block after command block k.
  std::array<Range, 12> IO_Addr{};
  std::uint8_t MemCount = 0;
  std::array<Range, kMaxRanges> Mem_Addr{};
};
using tMyIOResource = IoResource;

}  // namespace qz
