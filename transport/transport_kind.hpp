#pragma once
// The ways a command reaches a drive: four through the Windows storage stack, two through the
// controller's own registers. The numbers are the ones the product has always used for them.
#include <cstdint>

namespace qz {

enum class TransportKind : std::uint8_t {
  None = 0,  // no way at all (a direct mode the drive's controller does not offer)
  AtaPassThrough = 1,
  IdePassThrough = 2,
  ScsiPassThrough = 3,
  Miniport = 4,
  PortIo = 5,
  Sil3124 = 6,
};

// The four that go through the storage stack on the drive's handle.
constexpr bool IsPassThrough(TransportKind kind) {
  return kind >= TransportKind::AtaPassThrough && kind <= TransportKind::Miniport;
}

}  // namespace qz
