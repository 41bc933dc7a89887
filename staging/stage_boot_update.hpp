#pragma once
// Stages a boot-time update: the flasher build for the running Windows, with its
// configuration filled in, goes into the system directory, and BootExecute lists it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32_api.hpp"
#include "staging/flasher_image_table.hpp"
#include "transport/system_info.hpp"

namespace qz {

namespace stage_result {
inline constexpr std::uint32_t kStaged = 1;
inline constexpr std::uint32_t kNotStaged = 0;  // no Session Manager key, or no flasher build for family 0
inline constexpr std::uint32_t kFlasherNotWritten = 0xE1;
inline constexpr std::uint32_t kBootExecuteNotWritten = 0xE2;
// The drive's revision can't tell it from a twin of its model: nothing written.
inline constexpr std::uint32_t kRevisionUnknown = 0xE3;
// The last run's Ombrel.log could not be removed: nothing written, since the next start
// would show that older run as this one.
inline constexpr std::uint32_t kOldLogKept = 0xE4;
// Any other value: the OS family (bits 24-31) that has no flasher build; nothing written.
}  // namespace stage_result

// Only kStaged means the update will run at the next boot.
constexpr bool IsStaged(std::uint32_t result) { return result == stage_result::kStaged; }

// Which table entry serves an OS family, with or without WOW64; -1 when none does.
int FlasherEntryFor(std::uint8_t family, bool wow64);

// Bytes of a drive's revision as IDENTIFY gives them.
inline constexpr std::size_t kDriveRevisionBytes = 8;

// Whether the 8 revision bytes name a revision at all: all NUL, all blank or a mix of only
// those is no revision, and a flasher could not tell such a drive from its twins.
bool RevisionTellsTwinsApart(std::string_view revision);

// What a boot-time update stages: which flasher, and the values its configuration block gets.
struct BootUpdateRequest {
  FlasherImageTable* flashers = nullptr;  // the release's builds; the chosen one is patched in place
  std::string flasherName;                // "Ombrel.exe"; the ".exe" is optional
  bool updateBoot = false;                // the flasher updates the boot drive too
  std::string newRevision, newExtension;  // what the drive runs after the update
  std::string model;                      // the drive's identity, as the flasher matches it
  std::string argument;                   // what BootExecute hands the flasher: the firmware file
  // The staged drive's current revision, its 8 bytes exactly as IDENTIFY gave them (words
  // 23-26 in reading order, NUL bytes and blanks kept; bytes past the 8th are not part of it).
  // They go unchanged into the block's "KEY=" field, so that the flasher leaves alone a drive
  // of the same model at any other revision. Fewer than 8 bytes, or a revision that can't tell
  // twins apart, is refused with nothing written.
  std::string driveRevision;
};

std::uint32_t StageBootUpdate(Win32Api& api, SystemInfo& system, const BootUpdateRequest& request);

}  // namespace qz
