#include "transport/physical_copy.hpp"

#include <algorithm>

#include "platform/little_endian.hpp"

namespace qz {
namespace {

// The library's verdict on the last word; on failure its code and text go to the loader.
bool WordWorked(TesselLoader& loader) {
  PhysicalAccessApi& library = loader.library();
  const std::uint32_t state = library.maGetLastState(nullptr);
  if (state == 0) return true;
  char text[52] = {};
  library.maGetLastState(text);
  text[sizeof(text) - 1] = '\0';
  loader.LastState = state;
  loader.StateText.fill('\0');
  std::copy_n(text, std::min(sizeof(text), loader.StateText.size() - 1), loader.StateText.begin());
  return false;
}

// Every word of the copy lies below 4 GiB: an address that would wrap to 0 names memory that
// has nothing to do with the block.
bool RangeFits(std::uint32_t base, std::size_t words) {
  return static_cast<std::uint64_t>(base) + 4u * static_cast<std::uint64_t>(words) <= 0x100000000ull;
}

}  // namespace

bool CopyToPhysical(TesselLoader& loader, std::uint32_t base, ConstBytes data) {
  const std::size_t words = data.size() / 4;
  if (!RangeFits(base, words)) return false;
  for (std::size_t i = 0; i < words; ++i) {
    const std::uint8_t* at = data.data() + 4 * i;
    const std::uint32_t word = le::Load32(at);
    loader.library().maPokeD(base + static_cast<std::uint32_t>(4 * i), word);
    if (!WordWorked(loader)) return false;
  }
  return true;
}

bool CopyFromPhysical(TesselLoader& loader, std::uint32_t base, Bytes data) {
  const std::size_t words = data.size() / 4;
  if (!RangeFits(base, words)) return false;
  for (std::size_t i = 0; i < words; ++i) {
    const std::uint32_t word = loader.library().maPeekD(base + static_cast<std::uint32_t>(4 * i));
    if (!WordWorked(loader)) return false;
    le::Store32(data.data() + 4 * i, word);
  }
  return true;
}

}  // namespace qz
