#pragma once
// Shipped blocks packed with releases for the rehearsal's tests: the sample release (one
// package for "VORTANIX QRX-480T9A", any "VRD" revision to "VRDC") and a release of three
// packages for two models whose ranges overlap. The copy helpers' bytes are stand-ins: the
// simulated launch runs the copy helper's host build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/devices/sample_firmware.hpp"
#include "sim/devices/stub_image.hpp"
#include "staging/pe_image.hpp"
#include "tools/packer/packer.hpp"
#include "updater/package_block.hpp"

namespace qz::demo::test {

inline constexpr const char* kModelA = "VORTANIX QRX-480T9A";
inline constexpr const char* kModelB = "VORTANIX QRX-960T9A";

inline packer::ReleasePackage Package(const std::string& model, const std::string& revision,
                                      const std::string& extension,
                                      std::vector<packer::ReleaseModelEntry> models) {
  packer::ReleasePackage p;
  p.imageName = revision + ".bin";
  p.image = sim::MakeSampleFirmware({model, revision, extension, 262144});
  p.newRevision = revision;
  p.extension = extension;
  p.models = std::move(models);
  return p;
}

inline std::vector<std::uint8_t> Packed(const std::vector<packer::ReleasePackage>& packages,
                                        std::string options = "0000000001011000000010000002000") {
  PackageBlock embedded = EmbeddedPackageBlock();
  std::vector<std::uint8_t> block(embedded.bytes().begin(), embedded.bytes().end());
  packer::Release r;
  r.productVersion = "v2.2.0";
  r.productTitle = "Quenzar Test Utility";
  r.releaseDate = "2012/07/25";
  r.supportedModel = kModelA;
  r.packageMode = 0;
  options[9] = static_cast<char>('0' + packages.size());  // digit 10: the package count
  r.options = options;
  r.packages = packages;
  for (auto& helper : r.copyHelpers) {
    helper = sim::StubImage(sim::kImageX64, 2048, 0x90, pe_subsystem::kWindowsConsole);
  }
  const auto result = packer::Pack(block, r);
  EXPECT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors.front());
  return block;
}

inline std::vector<std::uint8_t> SampleRelease(const std::string& options = "0000000001011000000010000002000") {
  return Packed({Package(kModelA, "VRDC", "VRDC-4", {{"VRD!", "VRD~", "VORTANIX QRX-480T9A     ", "#"}})}, options);
}

// Three packages, two models, overlapping ranges: package 1 takes model A from VRD0-VRD9 to
// VRDC; package 2 model A from VRD5-VRDF to VRDG (VRD5-VRD9 go to package 1, which comes
// first); package 3 model B from MB00-MB09 or VRD0-VRDZ to MB10.
inline std::vector<std::uint8_t> ThreePackageRelease() {
  return Packed({Package(kModelA, "VRDC", "VRDC-4", {{"VRD0", "VRD9", kModelA, "#"}}),
                 Package(kModelA, "VRDG", "VRDG-1", {{"VRD5", "VRDF", kModelA, "#"}}),
                 Package(kModelB, "MB10", "MB10-2", {{"MB00", "MB09", kModelB, "#"}, {"VRD0", "VRDZ", kModelB, "#"}})});
}

}  // namespace qz::demo::test
