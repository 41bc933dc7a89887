#include "bootflash/transcript.hpp"

namespace qz::bootflash {
namespace {

constexpr uint32_t kTextLimit = boot_log::kMaxBytes - boot_log::kEndRoom;

uint8_t Printable(uint32_t c) { return c >= 0x20 && c <= 0x7E ? static_cast<uint8_t>(c) : '?'; }

// One line put together before it is kept, so that it is kept whole or not at all. Not
// inlined: the flasher's builds have a size budget.
class Line {
 public:
  __attribute__((noinline)) Line& Text(const char* text) {
    while (*text) Put(static_cast<uint8_t>(*text++));
    return *this;
  }
  // Drive bytes: a bar would split a field.
  __attribute__((noinline)) Line& Field(const uint8_t* bytes, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
      Put(bytes[i] == boot_log::kBar ? boot_log::kBarInField : Printable(bytes[i]));
    }
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

// Texts of the format joined at compile time, so that each line's fixed part is one text.
template <size_t N>
struct Joined {
  char text[N];
};
template <size_t A, size_t B>
constexpr Joined<A + B - 1> Join(const char (&a)[A], const char (&b)[B]) {
  Joined<A + B - 1> joined{};
  for (size_t i = 0; i + 1 < A; ++i) joined.text[i] = a[i];
  for (size_t i = 0; i < B; ++i) joined.text[A - 1 + i] = b[i];
  return joined;
}
constexpr auto kHeadLine = Join(boot_log::kFirstLine, boot_log::kLineEnd);
constexpr auto kHead = Join(kHeadLine.text, boot_log::kDateKey);
constexpr auto kDateKnownEnd = Join(boot_log::kDateZone, boot_log::kLineEnd);
constexpr auto kDateUnknownLine = Join(boot_log::kDateUnknown, boot_log::kLineEnd);
constexpr auto kEnd = Join(boot_log::kLastLine, boot_log::kLineEnd);
constexpr char kBarText[] = {boot_log::kBar, 0};

// Each date field with the member of TimeFields it comes from.
struct DatePart {
  int16_t TimeFields::*field;
  uint8_t digits;
  int16_t low, high;
  const char* before;
};
constexpr DatePart Part(int16_t TimeFields::*field, const boot_log::DateField& format) {
  return {field, format.digits, format.low, format.high, format.before};
}
constexpr DatePart kDateParts[6] = {
    Part(&TimeFields::year, boot_log::kDateFields[0]),
    Part(&TimeFields::month, boot_log::kDateFields[1]),
    Part(&TimeFields::day, boot_log::kDateFields[2]),
    Part(&TimeFields::hour, boot_log::kDateFields[3]),
    Part(&TimeFields::minute, boot_log::kDateFields[4]),
    Part(&TimeFields::second, boot_log::kDateFields[5])};

const char* OutcomeText(DriveOutcome outcome) {
  return boot_log::kOutcomeWords[outcome < boot_log::kOutcomeCount ? outcome : kOutcomeOtherModel];
}

}  // namespace

void BeginTranscript(Transcript& log, const TimeFields* when) {
  log.length = 0;
  log.active = true;
  log.full = false;
  Line line;
  line.Text(kHead.text);
  bool known = when != nullptr;
  for (const DatePart& part : kDateParts) {
    if (known && (when->*part.field < part.low || when->*part.field > part.high)) known = false;
  }
  if (known) {
    for (const DatePart& part : kDateParts) {
      line.Text(part.before).Digits(static_cast<uint32_t>(when->*part.field), part.digits);
    }
    line.Text(kDateKnownEnd.text);
  } else {
    line.Text(kDateUnknownLine.text);
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
  using namespace boot_log;
  if (!AtLineStart(log)) Keep(log, reinterpret_cast<const uint8_t*>(kLineEnd), 2);
  Line line;
  line.Text(kDriveKey).Digits(drive.number, kDriveDigits).Text(kBarText);
  line.Field(drive.model, kModelWidth).Text(kBarText);
  line.Field(drive.revision, kRevisionWidth).Text(kBarText);
  line.Field(drive.target, kRevisionWidth).Text(kBarText);
  if (drive.after) {
    line.Field(drive.after, kRevisionWidth);
  } else {
    line.Text(kNotReadAgain);
  }
  line.Text(kBarText).Text(OutcomeText(drive.outcome)).Text(kLineEnd);
  Keep(log, line);
}

void EndTranscript(Transcript& log) {
  if (!log.active) return;
  // The room kept back holds these whatever came before.
  if (!AtLineStart(log)) {
    log.text[log.length++] = '\r';
    log.text[log.length++] = '\n';
  }
  for (const char* p = kEnd.text; *p; ++p) log.text[log.length++] = static_cast<uint8_t>(*p);
}

}  // namespace qz::bootflash
