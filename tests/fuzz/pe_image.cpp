// A flasher or copy-helper build as the packer and the update command judge it: any bytes,
// e_lfanew anywhere, headers cut short. Reading must stay inside the image.
#include <cstdlib>
#include <vector>

#include "staging/pe_image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so that a read past the image is a read past the allocation.
  const std::vector<std::uint8_t> image(data, data + size);
  const auto kind = qz::ReadPeImageKind(qz::ConstBytes(image.data(), image.size()));
  if (kind && (size < 2 || image[0] != 'M' || image[1] != 'Z')) std::abort();
  return 0;
}
