#pragma once
// Ombrel.log as bytes: the flasher writes it (transcript.cpp) and the updater reads it back at
// its next start (updater/boot_outcome.cpp). Every line ends in CR LF:
//   OMBREL LOG 1
//   DATE YYYY-MM-DD HH:MM:SS UTC            (or "DATE unknown")
//   ... every text the console showed ...
//   DRIVE|nn|model|before|target|after|OUTCOME   (one a drive, right before the last line)
//   END
// Freestanding: the flasher links no C++ runtime.
#include <stddef.h>
#include <stdint.h>

namespace qz::boot_log {

inline constexpr uint32_t kMaxBytes = 16384;  // the flasher never writes more
inline constexpr uint32_t kEndRoom = 64;      // kept back for a line break and "END"

inline constexpr char kLineEnd[] = "\r\n";
inline constexpr char kFirstLine[] = "OMBREL LOG 1";
inline constexpr char kDateKey[] = "DATE ";
inline constexpr char kDateUnknown[] = "unknown";
inline constexpr char kDateZone[] = " UTC";
inline constexpr char kLastLine[] = "END";

// The date's fields in the order written (year, month, day, hour, minute, second): digits,
// the values a field may hold, and the text before it.
struct DateField {
  uint8_t digits;
  int16_t low, high;
  const char* before;
};
inline constexpr DateField kDateFields[6] = {{4, 1601, 9999, ""}, {2, 1, 12, "-"},
                                             {2, 1, 31, "-"},     {2, 0, 23, " "},
                                             {2, 0, 59, ":"},     {2, 0, 59, ":"}};

// A drive's summary line: fixed-width fields between bars. A '|' inside a field is written
// as '?', so the bars stand at their places and nowhere else.
inline constexpr char kDriveKey[] = "DRIVE|";
inline constexpr char kBar = '|';
inline constexpr char kBarInField = '?';
inline constexpr uint32_t kDriveDigits = 2;  // N of \??\PhysicalDriveN
inline constexpr uint32_t kModelWidth = 24;
inline constexpr uint32_t kRevisionWidth = 8;
inline constexpr char kNotReadAgain[] = "--------";  // "after" of a drive not identified again

inline constexpr size_t kDriveAt = sizeof kDriveKey - 1;
inline constexpr size_t kModelAt = kDriveAt + kDriveDigits + 1;
inline constexpr size_t kBeforeAt = kModelAt + kModelWidth + 1;
inline constexpr size_t kTargetAt = kBeforeAt + kRevisionWidth + 1;
inline constexpr size_t kAfterAt = kTargetAt + kRevisionWidth + 1;
inline constexpr size_t kOutcomeAt = kAfterAt + kRevisionWidth + 1;
inline constexpr size_t kBarsAt[5] = {kModelAt - 1, kBeforeAt - 1, kTargetAt - 1, kAfterAt - 1,
                                      kOutcomeAt - 1};
static_assert(kModelAt == 9 && kBeforeAt == 34 && kTargetAt == 43 && kAfterAt == 52 &&
                  kOutcomeAt == 61,
              "the summary line's fields stand where logs already written have them");
static_assert(sizeof kNotReadAgain - 1 == kRevisionWidth, "a revision field's width");

// How the run ended for one drive; zero (the state as zeroed) is a drive of another model.
enum DriveOutcome : uint8_t {
  kOutcomeOtherModel = 0,
  kOutcomePass,
  kOutcomeFail,
  kOutcomeSame,
  kOutcomeLeftAlone,
  kOutcomeNotFlashed,
};
inline constexpr uint32_t kOutcomeCount = 6;

// The last field of a summary line, by outcome.
inline constexpr const char* kOutcomeWords[kOutcomeCount] = {
    "OTHER MODEL", "PASS", "FAIL", "THE SAME", "LEFT ALONE", "NOT FLASHED"};

}  // namespace qz::boot_log
