#pragma once
// The update command's texts: English only, whatever the package's language.
namespace qz::texts::update {

inline constexpr char kFwWriteFailed[] = "Fail to write FW files into system !\n";
inline constexpr char kStageFailed[] = "[0x%X] Fail to write UPDATE files into system !\n";
inline constexpr char kNextReboot[] =
    "The process of SSD FW update will start in next reboot !\n"
    "After updating firmware, you should reboot your system to complete the update !\n";
inline constexpr char kRebootNow[] = "Do you want to Reboot now ?\n";
inline constexpr char kInformation[] = "Information";
inline constexpr char kQuestion[] = "Question";

// Refusals of an update that could not be made whole.
inline constexpr char kImageRefused[] =
    "The F/W image in this utility is not usable (its size must be a multiple of 16 bytes) !\n"
    "Nothing was written.\n";
inline constexpr char kNoEligibleDrive[] = "This drive is not allowed to be updated.\n";
inline constexpr char kNot64BitStaged[] =
    "The update files could not be copied for 64-bit Windows !\n"
    "The update was not staged: nothing will run at the next reboot.\n";

}  // namespace qz::texts::update
