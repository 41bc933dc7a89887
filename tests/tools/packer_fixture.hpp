#pragma once
// A stand-in executable (bytes, the shipped block, more bytes) and a release that fits it.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bootflash/revision_mark.hpp"
#include "sim/devices/sample_image_layout.hpp"
#include "sim/devices/stub_image.hpp"
#include "staging/pe_image.hpp"
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
  using namespace sim::sample_image;
  if (marker && size >= kHeaderEnd) std::copy(kMarker.begin(), kMarker.end(), image.begin() + kMarkerAt);
  return image;
}

// A build of the kind its slot takes: a native program (flasher slots 1, 3, ... i386; 2, 4, ...
// x86-64) that carries the exact-revision mark unless told otherwise, or an x86-64 console
// program (copy helpers); filler after the headers.
inline std::vector<std::uint8_t> FlasherBuildFor(int slot, std::size_t size, std::uint8_t seed,
                                                 bool mark = true) {
  auto build = sim::StubImage(slot % 2 == 1 ? sim::kImageX86 : sim::kImageX64, size, seed,
                              pe_subsystem::kNative);
  const std::string_view text = bootflash::kExactRevisionMark;
  if (mark && build.size() >= 0x200 + text.size()) std::copy(text.begin(), text.end(), build.begin() + 0x200);
  return build;
}
inline std::vector<std::uint8_t> CopyHelperBuild(std::size_t size, std::uint8_t seed) {
  return sim::StubImage(sim::kImageX64, size, seed, pe_subsystem::kWindowsConsole);
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
  b.anyModel = true;  // no table: every drive, on purpose
  r.packages = {a, b};
  return r;
}

}  // namespace qz::packer::test
