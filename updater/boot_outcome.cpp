#include "updater/boot_outcome.hpp"

#include <array>
#include <string_view>
#include <vector>

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/ui_texts.hpp"

namespace qz {
namespace {

constexpr std::string_view kFirstLine = "OMBREL LOG 1";
constexpr std::string_view kDateUnknown = "DATE unknown";
constexpr std::string_view kLastLine = "END";
constexpr std::string_view kDrivePrefix = "DRIVE|";

// "DRIVE|nn|" model 24 "|" before 8 "|" target 8 "|" after 8 "|" outcome
constexpr std::size_t kNumber = 6, kModel = 9, kBefore = 34, kTarget = 43, kOutcome = 61;
constexpr std::array<std::size_t, 5> kBars = {8, 33, 42, 51, 60};
constexpr std::array<std::string_view, 6> kOutcomes = {"PASS",       "FAIL",        "THE SAME",
                                                       "LEFT ALONE", "NOT FLASHED", "OTHER MODEL"};

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// "DATE YYYY-MM-DD HH:MM:SS UTC"
bool ParseDate(std::string_view line, CivilTime& t) {
  constexpr std::string_view kShape = "DATE 0000-00-00 00:00:00 UTC";
  if (line.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] != '0' && line[i] != kShape[i]) return false;
  }
  if (!Digits(line, 5, 4, t.year) || !Digits(line, 10, 2, t.month) || !Digits(line, 13, 2, t.day) ||
      !Digits(line, 16, 2, t.hour) || !Digits(line, 19, 2, t.minute) || !Digits(line, 22, 2, t.second)) {
    return false;
  }
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const int days = kDays[t.month - 1] + (t.month == 2 && LeapYear(t.year) ? 1 : 0);
  return t.day <= days && t.hour < 24 && t.minute < 60 && t.second < 60;
}

struct DriveLine {
  int drive = 0;
  std::string_view model, before, target, outcome;
};

bool ParseDriveLine(std::string_view line, DriveLine& d) {
  if (line.size() <= kOutcome || line.substr(0, kDrivePrefix.size()) != kDrivePrefix) return false;
  // The bars stand at their places and nowhere else: the flasher writes a '|' inside a
  // field as '?'.
  std::size_t bars = 0;
  for (std::size_t i = kNumber; i < line.size(); ++i) {
    if (line[i] != '|') continue;
    if (bars == kBars.size() || kBars[bars] != i) return false;
    ++bars;
  }
  if (bars != kBars.size()) return false;
  if (!Digits(line, kNumber, 2, d.drive)) return false;
  d.model = line.substr(kModel, 24);
  d.before = line.substr(kBefore, 8);
  d.target = line.substr(kTarget, 8);
  d.outcome = line.substr(kOutcome);
  for (std::string_view known : kOutcomes) {
    if (d.outcome == known) return true;
  }
  return false;
}

// The log's lines without their CR LF; nothing when a byte is neither printable nor part of
// a CR LF pair, or the last line is not ended.
std::optional<std::vector<std::string_view>> SplitLines(ConstBytes log) {
  std::vector<std::string_view> lines;
  const auto* text = reinterpret_cast<const char*>(log.data());
  std::size_t start = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const std::uint8_t c = log[i];
    if (c == '\r') {
      if (i + 1 >= log.size() || log[i + 1] != '\n') return std::nullopt;
      lines.emplace_back(text + start, i - start);
      start = i + 2;
      ++i;
    } else if (c < 0x20 || c > 0x7E) {
      return std::nullopt;
    }
  }
  if (start != log.size()) return std::nullopt;
  return lines;
}

std::string Two(int v) {
  return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

}  // namespace

std::optional<BootOutcome> ParseBootLog(ConstBytes log) {
  if (log.empty() || log.size() > kBootLogMaxBytes) return std::nullopt;
  const auto lines = SplitLines(log);
  if (!lines || lines->size() < 3) return std::nullopt;
  if ((*lines)[0] != kFirstLine || lines->back() != kLastLine) return std::nullopt;

  BootOutcome outcome;
  const std::string_view date = (*lines)[1];
  if (date != kDateUnknown) {
    if (!ParseDate(date, outcome.utc)) return std::nullopt;
    outcome.dateKnown = true;
  }

  // The summary lines stand together right before "END", after everything the console showed.
  std::size_t first = lines->size() - 1;
  while (first > 2 && (*lines)[first - 1].substr(0, kDrivePrefix.size()) == kDrivePrefix) --first;
  std::optional<DriveLine> pass, fail;
  for (std::size_t i = first; i + 1 < lines->size(); ++i) {
    DriveLine d;
    if (!ParseDriveLine((*lines)[i], d)) return std::nullopt;
    if (d.outcome == "FAIL" && !fail) fail = d;
    if (d.outcome == "PASS" && !pass) pass = d;
  }
  if (first + 1 == lines->size()) return std::nullopt;
  const std::optional<DriveLine>& shown = fail ? fail : pass;
  if (!shown) {
    outcome.result = BootRunResult::kNoneFlashed;
    return outcome;
  }
  outcome.drive = shown->drive;
  outcome.model = TrimText(shown->model);
  outcome.revisionBefore = TrimText(shown->before);
  outcome.revisionTarget = TrimText(shown->target);
  outcome.result = fail ? BootRunResult::kFailed : BootRunResult::kPassed;
  return outcome;
}

std::string BootOutcomeLine(const BootOutcome& outcome, const CivilTime* local, bool secondLanguage) {
  namespace en = texts::en;
  namespace zh = texts::big5;
  const bool z = secondLanguage;
  std::string line = z ? zh::kLastRunHead : en::kLastRunHead;
  if (!outcome.dateKnown) {
    line += z ? zh::kLastRunDateUnknown : en::kLastRunDateUnknown;
  } else {
    const CivilTime& t = local != nullptr ? *local : outcome.utc;
    line += std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day) + " " + Two(t.hour) +
            ":" + Two(t.minute);
    if (local == nullptr) line += " UTC";
  }
  if (outcome.result == BootRunResult::kNoneFlashed) {
    line += z ? zh::kLastRunNoneFlashed : en::kLastRunNoneFlashed;
    return line;
  }
  line += z ? zh::kLastRunDisk : en::kLastRunDisk;
  line += std::to_string(outcome.drive) + ", " + outcome.revisionBefore;
  line += z ? zh::kLastRunTo : en::kLastRunTo;
  line += outcome.revisionTarget;
  if (outcome.result == BootRunResult::kPassed) {
    line += z ? zh::kLastRunPassed : en::kLastRunPassed;
  } else {
    line += z ? zh::kLastRunFailed : en::kLastRunFailed;
  }
  return line;
}

}  // namespace qz
