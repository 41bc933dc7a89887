#pragma once
// Windows path handling for the simulated machine: case-insensitive, '\' separated.
#include <string>
#include <string_view>

namespace qz::sim {

// The key a path is stored under: upper case, '/' read as '\', no doubled or trailing '\'.
std::string PathKey(std::string_view path);
// The directory part of a path ("" for a bare name).
std::string ParentPath(std::string_view path);
// The last component of a path.
std::string BaseName(std::string_view path);
// a + '\' + b, without doubling the separator.
std::string JoinPath(std::string_view a, std::string_view b);

}  // namespace qz::sim
