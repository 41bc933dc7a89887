#pragma once
// Fills the package block of a built executable: finds the block by its marker texts, checks
// that every marker sits where the layout puts it, refuses what the layout cannot hold, and
// writes every area in place. Nothing outside the block changes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/packer/release.hpp"

namespace qz::packer {

struct PackResult {
  bool ok = false;
  std::vector<std::string> errors;    // each names its field
  std::vector<std::string> warnings;
};

// The file offset of the block's first byte, or nothing with the reason in `error`.
std::optional<std::size_t> LocateBlock(const std::vector<std::uint8_t>& file, std::string& error);

// The build that goes into flasher slot index + 1: slot 2 (XP x64) takes the Server 2003
// x64 build when the release names none of its own.
const Build& FlasherBuild(const Release& release, std::size_t index);

// Checks the release against the layout, each build against its slot's processor and
// subsystem, and each flasher build for the exact-revision mark; every refusal is listed.
std::vector<std::string> CheckRelease(const Release& release);

// Packs `release` into `file` (the whole executable, in memory). The packed block is judged
// before it is written: a package that admits every drive without saying so is refused. On
// refusal `file` is untouched.
PackResult Pack(std::vector<std::uint8_t>& file, const Release& release);

}  // namespace qz::packer
