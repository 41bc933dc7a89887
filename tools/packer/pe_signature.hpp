#pragma once
// The Authenticode certificate table of a PE image: the security entry of the data directory
// points at it by file offset. Packing changes the signed bytes, so the table is dropped.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/types.hpp"

namespace qz::packer {

struct CertificateTable {
  std::size_t entry = 0;   // file offset of the directory entry itself
  std::uint32_t offset = 0, size = 0;
};

// The image's certificate table when its directory entry names one, else nothing (also for
// bytes that are no PE image or whose headers are cut short).
std::optional<CertificateTable> FindCertificateTable(ConstBytes image);

// Clears the directory entry and, when the table ends the file as signing tools put it, cuts
// it off. True when there was a table to drop.
bool DropCertificateTable(std::vector<std::uint8_t>& image);

}  // namespace qz::packer
