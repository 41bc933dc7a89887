#pragma once
// Where each field of a sample firmware image stands (README.md, "The sample firmware image"):
// the simulated drives check an image by it, the generator writes one by it, and the tools and
// tests read it. Numbers are little-endian; texts ASCII, NUL-padded.
#include <cstddef>
#include <string_view>

#include "bootflash/image_marks.hpp"

namespace qz::sim::sample_image {

inline constexpr std::size_t kMagicAt = 0x000;
inline constexpr std::string_view kMagic{"QZSIMFW\0", 8};
inline constexpr std::size_t kRevisionAt = 0x008;   // the revision the drive takes on
inline constexpr std::size_t kExtensionAt = 0x010;  // and its extended revision text
inline constexpr std::size_t kRevisionSize = 8;     // each, at most 7 characters and a NUL
inline constexpr std::size_t kModelAt = 0x018;
inline constexpr std::size_t kModelSize = 40;
inline constexpr std::size_t kLengthAt = 0x040;  // 32 bits: the image's length in bytes
inline constexpr std::size_t kCrcAt = 0x044;     // 32 bits: CRC-32 of the image with this field zero
inline constexpr std::size_t kCrcSize = 4;
inline constexpr std::size_t kMarkerAt = 0x100;
inline constexpr std::string_view kMarker = bootflash::kImageMarker;
inline constexpr std::size_t kHeaderEnd = kMarkerAt + kMarker.size();  // filler from here on
inline constexpr std::size_t kLengthUnit = 16;  // the length is a multiple of this
// The shortest image: the header, rounded up to the length unit.
inline constexpr std::size_t kMinLength = (kHeaderEnd + kLengthUnit - 1) / kLengthUnit * kLengthUnit;

static_assert(kHeaderEnd == 0x107 && kMinLength == 0x110, "the header ends with the marker");

}  // namespace qz::sim::sample_image
