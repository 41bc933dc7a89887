#include "sim/machine/path.hpp"

#include "platform/text.hpp"

namespace qz::sim {

std::string PathKey(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 1) continue;
    out.push_back(ToUpperAscii(c));
  }
  while (out.size() > 1 && out.back() == '\\') out.pop_back();
  return out;
}

std::string ParentPath(std::string_view path) {
  const auto pos = path.find_last_of("\\/");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos));
}

std::string BaseName(std::string_view path) {
  const auto pos = path.find_last_of("\\/");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string JoinPath(std::string_view a, std::string_view b) {
  std::string out(a);
  if (!out.empty() && out.back() != '\\') out.push_back('\\');
  out.append(b);
  return out;
}

}  // namespace qz::sim
