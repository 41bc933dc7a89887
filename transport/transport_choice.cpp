#include "transport/transport_choice.hpp"

namespace qz {

namespace {
constexpr std::uint8_t kBusScsi = 1;
constexpr std::uint8_t kBusUsb = 7;
}  // namespace

TransportKind ChooseTransportKind(OsVersionCode os, std::uint8_t busType,
                                 std::optional<pass_through::CmdIdeVersion> miniport) {
  const std::uint8_t family = OsFamily(os);
  TransportKind kind = TransportKind::IdePassThrough;
  if (family > os_family::kWindowsXp) {
    kind = TransportKind::AtaPassThrough;
  } else if (family == os_family::kWindowsXp && OsServicePack(os) >= 2) {
    kind = TransportKind::AtaPassThrough;
  }
  if (busType == kBusUsb || busType == kBusScsi) kind = TransportKind::ScsiPassThrough;
  if (miniport && miniport->AtLeast(2, 2)) kind = TransportKind::Miniport;
  return kind;
}

std::uint32_t LocationPortNumber(std::string_view location) {
  if (location.empty()) return 0;
  int dots = 0;
  bool digits = false;
  for (char ch : location) {
    if (ch == '.') {
      if (++dots > 1) return 0;
    } else if (ch >= '0' && ch <= '9') {
      digits = true;
    } else {
      return 0;
    }
  }
  if (!digits) return 0;
  std::uint32_t value = 0;
  for (char ch : location) {
    if (ch == '.') break;
    const std::uint32_t digit = static_cast<std::uint32_t>(ch - '0');
    if (value > (0xFFFFFFFFu - digit) / 10) return 0;  // not a port number anyone has
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace qz
