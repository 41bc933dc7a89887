#include "updater/boot_outcome.hpp"

#include <iterator>
#include <string_view>
#include <vector>

#include "bootflash/boot_log_format.hpp"
#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/ui_texts.hpp"

namespace qz {
namespace {

// The format's texts as the parser compares them.
constexpr std::string_view kFirstLine = boot_log::kFirstLine;
constexpr std::string_view kLastLine = boot_log::kLastLine;
constexpr std::string_view kDateKey = boot_log::kDateKey;
constexpr std::string_view kDateUnknown = boot_log::kDateUnknown;
constexpr std::string_view kDateZone = boot_log::kDateZone;
constexpr std::string_view kDrivePrefix = boot_log::kDriveKey;

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// `line` is `key` followed by `rest`, and nothing more.
bool KeyedLine(std::string_view line, std::string_view key, std::string_view rest) {
  return line.size() == key.size() + rest.size() && line.substr(0, key.size()) == key &&
         line.substr(key.size()) == rest;
}

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// "DATE YYYY-MM-DD HH:MM:SS UTC"; each field within the bounds the flasher writes it with,
// and the day within its month.
bool ParseDate(std::string_view line, CivilTime& t) {
  if (line.substr(0, kDateKey.size()) != kDateKey) return false;
  int* const values[6] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
  std::size_t at = kDateKey.size();
  for (std::size_t i = 0; i < 6; ++i) {
    const boot_log::DateField& field = boot_log::kDateFields[i];
    const std::string_view before = field.before;
    if (line.size() < at + before.size() + field.digits || line.substr(at, before.size()) != before) {
      return false;
    }
    at += before.size();
    if (!Digits(line, at, field.digits, *values[i])) return false;
    if (*values[i] < field.low || *values[i] > field.high) return false;
    at += field.digits;
  }
  if (line.substr(at) != kDateZone) return false;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return t.day <= kDays[t.month - 1] + (t.month == 2 && LeapYear(t.year) ? 1 : 0);
}

struct DriveLine {
  int drive = 0;
  std::string_view model, before, target, outcome;
};

bool ParseDriveLine(std::string_view line, DriveLine& d) {
  using namespace boot_log;
  if (line.size() <= kOutcomeAt || line.substr(0, kDrivePrefix.size()) != kDrivePrefix) {
    return false;
  }
  // The bars stand at their places and nowhere else: the flasher writes a bar inside a
  // field as '?'.
  const std::size_t barCount = std::size(kBarsAt);
  std::size_t bars = 0;
  for (std::size_t i = kDriveAt; i < line.size(); ++i) {
    if (line[i] != kBar) continue;
    if (bars == barCount || kBarsAt[bars] != i) return false;
    ++bars;
  }
  if (bars != barCount) return false;
  if (!Digits(line, kDriveAt, kDriveDigits, d.drive)) return false;
  d.model = line.substr(kModelAt, kModelWidth);
  d.before = line.substr(kBeforeAt, kRevisionWidth);
  d.target = line.substr(kTargetAt, kRevisionWidth);
  d.outcome = line.substr(kOutcomeAt);
  for (std::string_view known : kOutcomeWords) {
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
  if (log.empty() || log.size() > boot_log::kMaxBytes) return std::nullopt;
  const auto lines = SplitLines(log);
  if (!lines || lines->size() < 3) return std::nullopt;
  if ((*lines)[0] != kFirstLine || lines->back() != kLastLine) return std::nullopt;

  BootOutcome outcome;
  const std::string_view date = (*lines)[1];
  if (!KeyedLine(date, kDateKey, kDateUnknown)) {
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
    if (d.outcome == boot_log::kOutcomeWords[boot_log::kOutcomeFail] && !fail) fail = d;
    if (d.outcome == boot_log::kOutcomeWords[boot_log::kOutcomePass] && !pass) pass = d;
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
