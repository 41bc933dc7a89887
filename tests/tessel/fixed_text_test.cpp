#include "tessel/library/fixed_text.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace qz::tessel {
namespace {

TEST(FixedText, CutsAtTheBufferEndAndAlwaysTerminates) {
  const struct {
    const char* name;
    std::uint32_t size;
    const char* text;
    std::uint32_t number;
    const char* expected;
  } rows[] = {
      {"fits", 16, "error ", 87, "error 87"},
      {"zero", 16, "error ", 0, "error 0"},
      {"largest number", 11, "", 4294967295u, "4294967295"},
      {"cut inside the text", 4, "error ", 87, "err"},
      {"cut inside the number", 9, "error ", 12345, "error 12"},
      {"room for the terminator only", 1, "error ", 7, ""},
  };
  for (const auto& row : rows) {
    char buffer[24];
    std::memset(buffer, '#', sizeof(buffer));
    FixedText(buffer, row.size).Add(row.text).Decimal(row.number);
    EXPECT_STREQ(buffer, row.expected) << row.name;
    EXPECT_EQ(buffer[row.size], '#') << row.name << ": written past the buffer";
  }
}

}  // namespace
}  // namespace qz::tessel
