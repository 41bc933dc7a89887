// An input updater as the packer reads it for a signature to drop: any bytes, e_lfanew
// anywhere, a directory entry pointing anywhere. Reading stays inside the image, and a dropped
// table leaves no entry behind and never cuts into the headers.
#include <cstdlib>
#include <vector>

#include "tools/packer/pe_signature.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> image(data, data + size);
  const auto table = qz::packer::FindCertificateTable(image);
  const bool dropped = qz::packer::DropCertificateTable(image);
  if (dropped != table.has_value()) std::abort();
  if (dropped && (qz::packer::FindCertificateTable(image) || image.size() < table->entry + 8)) std::abort();
  if (!dropped && image.size() != size) std::abort();
  return 0;
}
