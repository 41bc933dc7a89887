#include "tools/packer/pe_signature.hpp"

#include "platform/little_endian.hpp"

namespace qz::packer {
namespace {

// From the "PE\0\0" signature: SizeOfOptionalHeader, then the optional header whose Magic
// tells PE32 (data directory at 96) from PE32+ (at 112); the security entry is the fifth.
constexpr std::size_t kLfanew = 0x3C;
constexpr std::size_t kSizeOfOptionalHeader = 20;
constexpr std::size_t kOptionalHeader = 24;
constexpr std::size_t kDirectoryPe32 = 96, kDirectoryPe32Plus = 112;
constexpr std::size_t kSecurityEntry = 4 * 8;
constexpr std::uint16_t kMagicPe32 = 0x10B, kMagicPe32Plus = 0x20B;

}  // namespace

std::optional<CertificateTable> FindCertificateTable(ConstBytes image) {
  if (image.size() < kLfanew + 4 || image[0] != 'M' || image[1] != 'Z') return std::nullopt;
  const std::size_t pe = le::Load32(image.data() + kLfanew);
  if (pe > image.size() || image.size() - pe < kOptionalHeader + 2) return std::nullopt;
  if (image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 || image[pe + 3] != 0) {
    return std::nullopt;
  }
  const std::size_t optional = pe + kOptionalHeader;
  const std::uint16_t magic = le::Load16(image.data() + optional);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return std::nullopt;
  const std::size_t entry =
      (magic == kMagicPe32 ? kDirectoryPe32 : kDirectoryPe32Plus) + kSecurityEntry;
  const std::size_t optionalSize = le::Load16(image.data() + pe + kSizeOfOptionalHeader);
  if (optionalSize < entry + 8 || image.size() - optional < entry + 8) return std::nullopt;
  CertificateTable table;
  table.entry = optional + entry;
  table.offset = le::Load32(image.data() + table.entry);
  table.size = le::Load32(image.data() + table.entry + 4);
  if (table.offset == 0 && table.size == 0) return std::nullopt;
  return table;
}

bool DropCertificateTable(std::vector<std::uint8_t>& image) {
  const auto table = FindCertificateTable(image);
  if (!table) return false;
  le::Store32(image.data() + table->entry, 0);
  le::Store32(image.data() + table->entry + 4, 0);
  const std::uint64_t end = std::uint64_t{table->offset} + table->size;
  if (table->offset >= table->entry + 8 && end == image.size()) image.resize(table->offset);
  return true;
}

}  // namespace qz::packer
