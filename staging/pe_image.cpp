#include "staging/pe_image.hpp"

#include "platform/little_endian.hpp"

namespace qz {
namespace {

// Offsets: e_lfanew in the DOS header; from the "PE\0\0" signature the file header's Machine
// and SizeOfOptionalHeader, then the optional header, whose Subsystem sits at the same place
// in PE32 and PE32+.
constexpr std::size_t kLfanew = 0x3C;
constexpr std::size_t kMachine = 4;
constexpr std::size_t kSizeOfOptionalHeader = 20;
constexpr std::size_t kOptionalHeader = 24;
constexpr std::size_t kSubsystem = 68;

}  // namespace

std::optional<PeImageKind> ReadPeImageKind(ConstBytes image) {
  if (image.size() < kLfanew + 4 || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
  const std::uint32_t pe = le::Load32(image.data() + kLfanew);
  if (pe > image.size() || image.size() - pe < kOptionalHeader) return std::nullopt;
  if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0) {
    return std::nullopt;
  }
  PeImageKind kind;
  kind.machine = le::Load16(image.data() + pe + kMachine);
  const std::size_t optionalSize = le::Load16(image.data() + pe + kSizeOfOptionalHeader);
  const std::size_t optional = pe + kOptionalHeader;
  if (optionalSize >= kSubsystem + 2 && image.size() - optional >= kSubsystem + 2) {
    kind.subsystem = le::Load16(image.data() + optional + kSubsystem);
  }
  return kind;
}

}  // namespace qz
