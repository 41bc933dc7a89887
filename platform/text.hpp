#pragma once
// ASCII text helpers shared by the seam's two sides (Windows compares these names without case).
#include <string>
#include <string_view>

namespace qz {

constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

inline std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

// What a trim takes off: every blank and control character, or the space alone.
constexpr bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }
constexpr bool IsSpace(char c) { return c == ' '; }

enum class TrimEnds { kBoth, kRight };

// `text` without the characters that `trimmed` names at its ends (both, or the right one).
inline std::string TrimText(std::string_view text, bool (*trimmed)(char) = IsBlankOrControl,
                            TrimEnds ends = TrimEnds::kBoth) {
  std::size_t begin = 0, end = text.size();
  while (ends == TrimEnds::kBoth && begin < end && trimmed(text[begin])) ++begin;
  while (end > begin && trimmed(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace qz
