#pragma once
// What one release puts into the package block, as read from its description file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qz::packer {

struct ReleaseModelEntry {
  std::string minRevision, maxRevision, modelName, auxText = "#";
};

struct ReleasePackage {
  std::string imageName;  // for messages
  std::vector<std::uint8_t> image;
  std::string newRevision, extension;
  std::vector<ReleaseModelEntry> models;
  // The package is meant for every drive: no model entries, or an entry without a model.
  bool anyModel = false;
};

using Build = std::optional<std::vector<std::uint8_t>>;

struct Release {
  std::string productVersion, productTitle, releaseDate, supportedModel;
  int packageMode = 0;
  std::string options;  // the 31 option digits
  std::vector<ReleasePackage> packages;
  // Absent builds leave their slot and size record as the executable has them.
  std::array<Build, 10> flashers;
  std::array<Build, 4> copyHelpers;
};

// Names of the flasher slots 1-10 and copy slots 1-4 in a description file.
inline constexpr std::array<const char*, 10> kFlasherNames = {
    "xp_x86", "xp_x64", "2003_x86", "2003_x64", "vista_x86",
    "vista_x64", "2008_x86", "2008_x64", "win7_x86", "win7_x64"};
inline constexpr std::array<const char*, 4> kCopyHelperNames = {"win7", "2003", "2008", "xp"};

// Reads a JSON release description; files it names are read relative to its folder. On
// failure returns nothing and says why in `error`.
std::optional<Release> LoadRelease(const std::string& path, std::string& error);

}  // namespace qz::packer
