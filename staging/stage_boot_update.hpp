#pragma once
// Stages a boot-time update: the flasher build for the running Windows, with its
// configuration filled in, goes into the system directory, and BootExecute lists it.
#include <cstdint>
#include <string>

#include "platform/win32_api.hpp"
#include "staging/flasher_image_table.hpp"
#include "transport/system_info.hpp"

namespace qz {

namespace stage_result {
inline constexpr std::uint32_t kStaged = 1;
inline constexpr std::uint32_t kNotStaged = 0;  // no Session Manager key, or no flasher build for family 0
inline constexpr std::uint32_t kFlasherNotWritten = 0xE1;
inline constexpr std::uint32_t kBootExecuteNotWritten = 0xE2;
// Any other value: the OS family (bits 24-31) that has no flasher build; nothing written.
}  // namespace stage_result

// Only kStaged means the update will run at the next boot.
constexpr bool IsStaged(std::uint32_t result) { return result == stage_result::kStaged; }

// Which table entry serves an OS family, with or without WOW64; -1 when none does.
int FlasherEntryFor(std::uint8_t family, bool wow64);

// `driveRevision` is the staged drive's current revision (IDENTIFY words 23-26 in reading
// order): recorded blank-padded in the block's "KEY=" field, so that the flasher leaves alone
// a drive of the same model at any other revision.
std::uint32_t StageBootUpdate(Win32Api& api, SystemInfo& system, FlasherImageTable* table,
                              const std::string& name, int bootFlag, const std::string& extension,
                              const std::string& revision, const std::string& model,
                              const std::string& argument, const std::string& driveRevision);

}  // namespace qz
