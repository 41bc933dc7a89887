#include "tessel/library/state_text.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace qz::tessel {
namespace {

TEST(StateText, TableKeepsItsOrderAndFieldWidth) {
  std::uint32_t rows = 0;
  const StateRow* table = StateTable(rows);
  ASSERT_EQ(rows, 31u);
  EXPECT_EQ(sizeof(StateRow), 56u);  // a 32-bit code and a 52-byte text
  const std::uint32_t codes[] = {0, 1, 2, 5, 1059, 1065, 1051, 52, 6, 123, 87, 1057, 1052, 3, 1056,
                                 1061, 1055, 1075, 1068, 1058, 1060, 1073, 1069, 1072, 1054, 1062,
                                 1053, 9997, 9996, 9998, 9999};
  std::set<std::uint32_t> seen;
  for (std::uint32_t i = 0; i < rows; ++i) {
    EXPECT_EQ(table[i].code, codes[i]) << i;
    EXPECT_LT(std::strlen(table[i].text), kStateTextSize) << i;
    EXPECT_TRUE(seen.insert(table[i].code).second) << i;
  }
}

TEST(StateText, KnownAndUnknownCodes) {
  EXPECT_STREQ(StateText(0), "Operation was successful");
  EXPECT_STREQ(StateText(9996), "No device handle");
  EXPECT_STREQ(StateText(1075), "Depends on nonexistant service");
  EXPECT_STREQ(StateText(122), "An unexpected error occured");
  EXPECT_STREQ(StateText(0xFFFFFFFFu), "An unexpected error occured");
}

}  // namespace
}  // namespace qz::tessel
