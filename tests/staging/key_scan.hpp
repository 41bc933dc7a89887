#pragma once
// Looks for the firmware key in a built binary: the whole 16 bytes, and also any 8 of them in
// a row, which is what a compiler that folded the key routine into immediates would leave.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qz::staging {

using FirmwareKeyBytes = std::array<std::uint8_t, 16>;

// A description of the first key bytes found, or nothing.
inline std::optional<std::string> FindKeyBytes(const std::vector<std::uint8_t>& file,
                                               const FirmwareKeyBytes& key) {
  struct Run {
    std::size_t start, width;
  };
  std::vector<Run> runs = {{0, key.size()}};
  for (std::size_t start = 0; start + 8 <= key.size(); ++start) runs.push_back({start, 8});
  for (const Run& run : runs) {
    const auto first = key.begin() + static_cast<long>(run.start);
    const auto hit = std::search(file.begin(), file.end(), first,
                                 first + static_cast<long>(run.width));
    if (hit != file.end()) {
      return "key bytes " + std::to_string(run.start) + ".." +
             std::to_string(run.start + run.width - 1) + " at file offset " +
             std::to_string(hit - file.begin());
    }
  }
  return std::nullopt;
}

}  // namespace qz::staging
