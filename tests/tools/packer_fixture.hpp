#pragma once
// A stand-in executable (bytes, the shipped block, more bytes) and a release that fits it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/packer/packer.hpp"
#include "updater/package_block.hpp"

namespace qz::packer::test {

inline constexpr std::size_t kPrefix = 4099, kSuffix = 777;

inline std::vector<std::uint8_t> FakeExecutable() {
  std::vector<std::uint8_t> file;
  for (std::size_t i = 0; i < kPrefix; ++i) file.push_back(static_cast<std::uint8_t>(i * 31 + 1));
  PackageBlock shipped = EmbeddedPackageBlock();
  file.insert(file.end(), shipped.bytes().begin(), shipped.bytes().end());
  for (std::size_t i = 0; i < kSuffix; ++i) file.push_back(static_cast<std::uint8_t>(i * 17 + 5));
  return file;
}

inline std::vector<std::uint8_t> Image(std::size_t size, std::uint8_t seed, bool marker = true) {
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(seed + i * 13);
  if (marker && size >= 0x107) std::copy_n("ssdbinv", 7, image.begin() + 0x100);
  return image;
}

inline Release TwoPackageRelease() {
  Release r;
  r.productVersion = "v3.0.1";
  r.productTitle = "Test Title";
  r.releaseDate = "2026/12/08";
  r.supportedModel = "MODEL A / MODEL B";
  r.packageMode = -2;
  r.options = std::string(31, '0');
  for (auto [digit, value] : {std::pair{1, '1'}, {7, '1'}, {9, '2'}, {10, '2'}, {12, '1'},
                              {19, '1'}, {21, '1'}, {22, '1'}, {25, '1'}, {27, '1'}, {28, '3'}}) {
    r.options[static_cast<std::size_t>(digit - 1)] = value;
  }
  ReleasePackage a;
  a.imageName = "a.bin";
  a.image = Image(262144, 1);
  a.newRevision = "VRDC";
  a.extension = "VRDC-4";
  a.models = {{"VRD!", "VRD~", "MODEL A", "#"}, {"ABC1234", "ABC9999", "MODEL A2", "x"}};
  ReleasePackage b;
  b.imageName = "b.bin";
  b.image = Image(4096, 2);
  b.newRevision = "ZZ01";
  b.extension = "";
  r.packages = {a, b};
  return r;
}

}  // namespace qz::packer::test
