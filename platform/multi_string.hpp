#pragma once
// REG_MULTI_SZ data: each string and a zero byte, then one more zero.
#include <cstdint>
#include <string>
#include <vector>

namespace qz {

inline std::vector<std::uint8_t> EncodeMultiString(const std::vector<std::string>& strings) {
  std::vector<std::uint8_t> data;
  for (const auto& s : strings) {
    data.insert(data.end(), s.begin(), s.end());
    data.push_back(0);
  }
  data.push_back(0);
  return data;
}

// Stops at the empty string that ends the list; a missing final terminator is tolerated.
inline std::vector<std::string> DecodeMultiString(const std::vector<std::uint8_t>& data) {
  std::vector<std::string> out;
  std::string current;
  for (std::uint8_t b : data) {
    if (b != 0) {
      current.push_back(static_cast<char>(b));
    } else if (current.empty()) {
      break;
    } else {
      out.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

}  // namespace qz
