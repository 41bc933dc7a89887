#pragma once
// The proleptic Gregorian calendar counted in days from 1970-01-01, both ways, in 400-year
// cycles so that any day of any year converts without a loop.
#include <cstdint>

namespace qz {

struct CivilDate {
  int year;
  int month;  // 1-12
  int day;    // 1-31
  bool operator==(const CivilDate&) const = default;
};

// Days between 1601-01-01, where Windows counts its time from, and 1970-01-01.
inline constexpr std::int64_t kDaysFrom1601To1970 = 134774;

constexpr std::int64_t DaysFromCivil(int year, int month, int day) {
  // The year taken to begin in March puts the leap day last.
  const std::int64_t y = year - (month <= 2);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = static_cast<int>(y - era * 400);
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

constexpr CivilDate CivilFromDays(std::int64_t days) {
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = static_cast<int>(z - era * 146097);
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int month = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(yoe + era * 400) + (month <= 2), month, doy - (153 * mp + 2) / 5 + 1};
}

}  // namespace qz
