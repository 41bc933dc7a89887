#pragma once
// Carried by every flasher build that flashes only the drive whose 8 revision bytes equal, as
// IDENTIFY gave them, the revision the updater recorded. The packer refuses a build without
// it: an older build would flash every twin of the model.
namespace qz::bootflash {

inline constexpr char kExactRevisionMark[] = "OMBREL/EXACT-STAGED-REVISION/1";

}  // namespace qz::bootflash
