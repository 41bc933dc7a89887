#include "platform/guid.hpp"

#include <cstdio>

namespace qz {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHex(std::string_view text, std::size_t at, std::size_t digits, std::uint32_t& value) {
  value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int d = HexDigit(text[at + i]);
    if (d < 0) return false;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return true;
}

}  // namespace

std::optional<Guid> ParseGuid(std::string_view text) {
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') {
    return std::nullopt;
  }
  Guid g;
  std::uint32_t v = 0;
  if (!ReadHex(text, 0, 8, v)) return std::nullopt;
  g.data1 = v;
  if (!ReadHex(text, 9, 4, v)) return std::nullopt;
  g.data2 = static_cast<std::uint16_t>(v);
  if (!ReadHex(text, 14, 4, v)) return std::nullopt;
  g.data3 = static_cast<std::uint16_t>(v);
  static constexpr std::size_t kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (std::size_t i = 0; i < 8; ++i) {
    if (!ReadHex(text, kByteAt[i], 2, v)) return std::nullopt;
    g.data4[i] = static_cast<std::uint8_t>(v);
  }
  return g;
}

std::string FormatGuid(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

}  // namespace qz
