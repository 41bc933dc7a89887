#include "platform/civil_time.hpp"

#include <gtest/gtest.h>

namespace qz {
namespace {

// Day numbers worked out independently; each row is checked both ways.
TEST(CivilTime, DatesAndDayNumbersAgreeBothWays) {
  struct Case {
    const char* name;
    CivilDate date;
    std::int64_t days;
  } cases[] = {
      {"epoch", {1970, 1, 1}, 0},
      {"day before the epoch", {1969, 12, 31}, -1},
      {"Windows epoch", {1601, 1, 1}, -kDaysFrom1601To1970},
      {"leap day of a 400th year", {2000, 2, 29}, 11016},
      {"day after it", {2000, 3, 1}, 11017},
      {"century that is no leap year", {1900, 3, 1}, -25508},
      {"February's end in 2100", {2100, 2, 28}, 47540},
      {"March 2100 follows it", {2100, 3, 1}, 47541},
      {"last day of a leap year", {2024, 12, 31}, 20088},
      {"first day of year 1", {1, 1, 1}, -719162},
      {"last four-digit day", {9999, 12, 31}, 2932896},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DaysFromCivil(c.date.year, c.date.month, c.date.day), c.days) << c.name;
    const CivilDate back = CivilFromDays(c.days);
    EXPECT_EQ(back, c.date) << c.name << ": " << back.year << "-" << back.month << "-" << back.day;
  }
}

}  // namespace
}  // namespace qz
