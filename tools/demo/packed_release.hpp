#pragma once
// The release to rehearse: the package block of a packed Quenzar.exe.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qz::demo {

// The block, or nothing with one line in `error` saying why the file is not a packed updater.
std::optional<std::vector<std::uint8_t>> PackageBlockOfRelease(const std::vector<std::uint8_t>& file,
                                                               std::string& error);

}  // namespace qz::demo
