#include "platform/text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace qz {
namespace {

constexpr bool IsSpaceOrNul(char c) { return c == ' ' || c == '\0'; }

TEST(TrimText, TakesOffOnlyWhatItIsToldFromTheEndsItIsTold) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string text;
    bool (*trimmed)(char);
    TrimEnds ends;
    std::string expected;
  } cases[] = {
      {"blanks at both ends", "  MODEL X  ", IsBlankOrControl, TrimEnds::kBoth, "MODEL X"},
      {"control characters and NULs too", "\t\r\n0102\0\0"s, IsBlankOrControl, TrimEnds::kBoth, "0102"},
      {"all blank", " \t \0"s, IsBlankOrControl, TrimEnds::kBoth, ""},
      {"empty", "", IsBlankOrControl, TrimEnds::kBoth, ""},
      {"bytes above 0x7F stay", "\x80" "A\xA0", IsBlankOrControl, TrimEnds::kBoth, "\x80" "A\xA0"},
      {"space alone leaves tabs", " \tA\t ", IsSpace, TrimEnds::kBoth, "\tA\t"},
      {"space alone, all spaces", "    ", IsSpace, TrimEnds::kBoth, ""},
      {"right end only", "  A B  ", IsSpace, TrimEnds::kRight, "  A B"},
      {"padding of spaces and NULs", "A \0 \0"s, IsSpaceOrNul, TrimEnds::kRight, "A"},
      {"inner padding stays", "A\0B "s, IsSpaceOrNul, TrimEnds::kRight, "A\0B"s},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimText(c.text, c.trimmed, c.ends), c.expected) << c.name;
}

}  // namespace
}  // namespace qz
