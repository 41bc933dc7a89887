#pragma once
// Ombrel.log, the flasher's transcript, as bytes in memory: a header with the date, every
// text shown on the console, one summary line per drive and "END" (boot_log_format.hpp). The
// updater reads it back at its next start. CRT-free: the flasher links this.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/boot_log_format.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

inline constexpr uint32_t kTranscriptBytes = boot_log::kMaxBytes;
inline constexpr uint32_t kTranscriptEndRoom = boot_log::kEndRoom;

struct Transcript {
  uint32_t length;
  bool active;  // texts are kept once the run has begun it
  bool full;    // a text did not fit: nothing more is kept
  uint8_t text[kTranscriptBytes];
};

using boot_log::DriveOutcome;
using boot_log::kOutcomeFail;
using boot_log::kOutcomeLeftAlone;
using boot_log::kOutcomeNotFlashed;
using boot_log::kOutcomeOtherModel;
using boot_log::kOutcomePass;
using boot_log::kOutcomeSame;

// Starts over with the two header lines; `when` is null when the time could not be read.
void BeginTranscript(Transcript& log, const TimeFields* when);

// Keeps a console text: "\n" as CR LF, any other character outside 0x20..0x7E as '?'. A text
// that does not fit whole is dropped, and so is everything after it.
void AddConsoleText(Transcript& log, const char16_t* text);

struct DriveSummary {
  uint32_t number;           // N of \??\PhysicalDriveN
  const uint8_t* model;      // 24 bytes
  const uint8_t* revision;   // 8 bytes, before
  const uint8_t* target;     // 8 bytes, the configured target revision
  const uint8_t* after;      // 8 bytes read again after a download, or null
  DriveOutcome outcome;
};

// "DRIVE|nn|model|before|target|after|OUTCOME", on a line of its own, whole or not at all.
void AddDriveSummary(Transcript& log, const DriveSummary& drive);

// The last line, "END"; always fits.
void EndTranscript(Transcript& log);

}  // namespace qz::bootflash
