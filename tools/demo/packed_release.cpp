#include "tools/demo/packed_release.hpp"

#include <algorithm>

#include "tools/packer/packer.hpp"
#include "updater/package_block.hpp"
#include "updater/package_layout.hpp"
#include "updater/package_options.hpp"

namespace qz::demo {

std::optional<std::vector<std::uint8_t>> PackageBlockOfRelease(const std::vector<std::uint8_t>& file,
                                                               std::string& error) {
  if (file.size() < 2 || file[0] != 'M' || file[1] != 'Z') {
    error = "not a Windows program (no \"MZ\" header)";
    return std::nullopt;
  }
  std::string why;
  const auto base = packer::LocateBlock(file, why);
  if (!base || *base > file.size() || file.size() - *base < pkg::kBlockSize) {
    error = "no package block: not a Quenzar.exe (" + (why.empty() ? "the block runs past the file" : why) + ")";
    return std::nullopt;
  }
  std::vector<std::uint8_t> block(file.begin() + static_cast<std::ptrdiff_t>(*base),
                                  file.begin() + static_cast<std::ptrdiff_t>(*base + pkg::kBlockSize));
  const PackageBlock package{Bytes(block)};
  const PackageOptions options = ReadPackageOptions(package);
  if (options.PackageCount < 1) {
    error = "PARA_OPT: the package count is 0; no firmware to rehearse";
    return std::nullopt;
  }
  for (int n = 1; n <= options.PackageCount; ++n) {
    const Bytes image = package.Image(n);
    if (image.empty() || image.size() != package.ImageSizeValue(n)) {
      error = "BIN_SIZE" + std::to_string(n) + ": package " + std::to_string(n) + "'s image lies outside the firmware area";
      return std::nullopt;
    }
    if (std::all_of(image.begin(), image.end(), [](std::uint8_t b) { return b == 0; })) {
      error = "package " + std::to_string(n) + "'s image is all zero bytes: an unpacked Quenzar.exe (pack it with quenzar-pack)";
      return std::nullopt;
    }
  }
  return block;
}

}  // namespace qz::demo
