#include "bootflash/transcript.hpp"

namespace qz::bootflash {
namespace {

constexpr uint32_t kTextLimit = kTranscriptBytes - kTranscriptEndRoom;

uint8_t Printable(uint32_t c) { return c >= 0x20 && c <= 0x7E ? static_cast<uint8_t>(c) : '?'; }

// One line put together before it is kept, so that it is kept whole or not at all. Not
// inlined: the flasher's builds have a size budget.
class Line {
 public:
  __attribute__((noinline)) Line& Text(const char* text) {
    while (*text) Put(static_cast<uint8_t>(*text++));
    return *this;
  }
  // Drive bytes: '|' would split a field.
  __attribute__((noinline)) Line& Field(const uint8_t* bytes, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) Put(bytes[i] == '|' ? '?' : Printable(bytes[i]));
    return *this;
  }
  __attribute__((noinline)) Line& Digits(uint32_t value, uint32_t count) {
    for (uint32_t i = count; i > 0; --i) {
      bytes_[length_ + i - 1] = static_cast<uint8_t>('0' + value % 10);
      value /= 10;
    }
    length_ += count;
    return *this;
  }
  const uint8_t* Bytes() const { return bytes_; }
  uint32_t Length() const { return length_; }

 private:
  void Put(uint8_t c) { bytes_[length_++] = c; }
  uint8_t bytes_[128];
  uint32_t length_ = 0;
};

bool AtLineStart(const Transcript& log) {
  return log.length == 0 || log.text[log.length - 1] == '\n';
}

void Keep(Transcript& log, const uint8_t* bytes, uint32_t n) {
  if (!log.active || log.full) return;
  if (n > kTextLimit - log.length) {
    log.full = true;
    return;
  }
  for (uint32_t i = 0; i < n; ++i) log.text[log.length++] = bytes[i];
}

void Keep(Transcript& log, const Line& line) { Keep(log, line.Bytes(), line.Length()); }

// "YYYY-MM-DD HH:MM:SS": each field with its digits, bounds and the text before it.
struct DatePart {
  int16_t TimeFields::*field;
  uint8_t digits;
  int16_t low, high;
  const char* before;
};
constexpr DatePart kDateParts[6] = {
    {&TimeFields::year, 4, 1601, 9999, ""}, {&TimeFields::month, 2, 1, 12, "-"},
    {&TimeFields::day, 2, 1, 31, "-"},      {&TimeFields::hour, 2, 0, 23, " "},
    {&TimeFields::minute, 2, 0, 59, ":"},   {&TimeFields::second, 2, 0, 59, ":"}};

const char* OutcomeText(DriveOutcome outcome) {
  switch (outcome) {
    case kOutcomePass: return "PASS";
    case kOutcomeFail: return "FAIL";
    case kOutcomeSame: return "THE SAME";
    case kOutcomeLeftAlone: return "LEFT ALONE";
    case kOutcomeNotFlashed: return "NOT FLASHED";
    default: return "OTHER MODEL";
  }
}

}  // namespace

void BeginTranscript(Transcript& log, const TimeFields* when) {
  log.length = 0;
  log.active = true;
  log.full = false;
  Line line;
  line.Text("OMBREL LOG 1\r\nDATE ");
  bool known = when != nullptr;
  for (const DatePart& part : kDateParts) {
    if (known && (when->*part.field < part.low || when->*part.field > part.high)) known = false;
  }
  if (known) {
    for (const DatePart& part : kDateParts) {
      line.Text(part.before).Digits(static_cast<uint32_t>(when->*part.field), part.digits);
    }
    line.Text(" UTC\r\n");
  } else {
    line.Text("unknown\r\n");
  }
  Keep(log, line);
}

void AddConsoleText(Transcript& log, const char16_t* text) {
  if (!log.active || log.full || !text) return;
  uint32_t needed = 0;
  for (const char16_t* p = text; *p; ++p) needed += *p == u'\n' ? 2 : 1;
  if (needed > kTextLimit - log.length) {
    log.full = true;
    return;
  }
  for (const char16_t* p = text; *p; ++p) {
    if (*p == u'\n') {
      log.text[log.length++] = '\r';
      log.text[log.length++] = '\n';
    } else {
      log.text[log.length++] = Printable(*p);
    }
  }
}

void AddDriveSummary(Transcript& log, const DriveSummary& drive) {
  if (!AtLineStart(log)) Keep(log, reinterpret_cast<const uint8_t*>("\r\n"), 2);
  Line line;
  line.Text("DRIVE|").Digits(drive.number, 2).Text("|").Field(drive.model, 24).Text("|");
  line.Field(drive.revision, 8).Text("|").Field(drive.target, 8).Text("|");
  if (drive.after) {
    line.Field(drive.after, 8);
  } else {
    line.Text("--------");
  }
  line.Text("|").Text(OutcomeText(drive.outcome)).Text("\r\n");
  Keep(log, line);
}

void EndTranscript(Transcript& log) {
  if (!log.active) return;
  // The room kept back holds these whatever came before.
  if (!AtLineStart(log)) {
    log.text[log.length++] = '\r';
    log.text[log.length++] = '\n';
  }
  for (const char* p = "END\r\n"; *p; ++p) log.text[log.length++] = static_cast<uint8_t>(*p);
}

}  // namespace qz::bootflash
