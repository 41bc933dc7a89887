#pragma once
// Fixed-width, NUL-terminated text fields as the discovery records keep them.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace qz {

// Copies text, cut so that the last byte stays a terminator.
template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view text) {
  field.fill('\0');
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, field.data());
}

template <std::size_t N>
std::string GetText(const std::array<char, N>& field) {
  const auto end = std::find(field.begin(), field.end(), '\0');
  return std::string(field.begin(), end);
}

}  // namespace qz
