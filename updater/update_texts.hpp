#pragma once
// The update command's texts: English only, whatever the package's language, except where
// said.
namespace qz::texts::update {

inline constexpr char kFwWriteFailed[] = "Fail to write FW files into system !\n";
inline constexpr char kStageFailed[] = "[0x%X] Fail to write UPDATE files into system !\n";
inline constexpr char kNextReboot[] =
    "The process of SSD FW update will start in next reboot !\n"
    "After updating firmware, you should reboot your system to complete the update !\n";
inline constexpr char kRebootNow[] = "Do you want to Reboot now ?\n";
inline constexpr char kInformation[] = "Information";
inline constexpr char kQuestion[] = "Question";
// Windows 8 and later with fast startup on: a shut-down resumes the saved kernel and never
// runs BootExecute. Added to kNextReboot in the package's language.
inline constexpr char kFastStartup[] =
    "Windows fast startup is on: choose Restart, not Shut down, to run the update.\n";

// Refusals of an update that could not be made whole.
inline constexpr char kImageRefused[] =
    "The F/W image in this utility is not usable (its size must be a multiple of 16 bytes) !\n"
    "Nothing was written.\n";
inline constexpr char kNoEligibleDrive[] = "This drive is not allowed to be updated.\n";
inline constexpr char kNot64BitStaged[] =
    "The update files could not be copied for 64-bit Windows !\n"
    "The update was not staged: nothing will run at the next reboot.\n";

// The flasher build for this Windows is missing or made for another processor ("x86" or
// "x64" between the two parts): a 64-bit Session Manager can't start a 32-bit native program.
// This refusal follows the package's language.
inline constexpr char kNoFlasherHead[] = "This utility has no boot-time F/W update program for this Windows (";
inline constexpr char kNoFlasherTail[] = ") !\nNothing was written.\n";

// 32-bit XP before Service Pack 2 has no ATA pass-through for the flasher at boot. This
// refusal follows the package's language.
inline constexpr char kNeedsXpSp2[] =
    "This utility needs Windows XP Service Pack 2 or later to update the firmware !\n";

namespace big5 {
// Windows 快速啟動已開啟: 請選擇「重新啟動」, 不要選擇「關機」, 才能執行更新.\n
inline constexpr char kFastStartup[] = "Windows \xA7\xD6\xB3t\xB1\xD2\xB0\xCA\xA4w\xB6}\xB1\xD2: \xBD\xD0\xBF\xEF\xBE\xDC\xA1u\xAD\xAB\xB7s\xB1\xD2\xB0\xCA\xA1v, \xA4\xA3\xADn\xBF\xEF\xBE\xDC\xA1u\xC3\xF6\xBE\xF7\xA1v, \xA4~\xAF\xE0\xB0\xF5\xA6\xE6\xA7\xF3\xB7s.\n";
// 此更新程式需要 Windows XP Service Pack 2 或更新的版本才能更新韌體 !\n
inline constexpr char kNeedsXpSp2[] =
    "\xA6\xB9\xA7\xF3\xB7s\xB5{\xA6\xA1\xBB\xDD\xADn Windows XP Service Pack 2 \xA9\xCE\xA7\xF3\xB7s\xAA\xBA\xAA\xA9\xA5\xBB\xA4~\xAF\xE0\xA7\xF3\xB7s\xB6\xB4\xC5\xE9 !\n";
// 這個韌體更新程式沒有適用於此 Windows (
inline constexpr char kNoFlasherHead[] = "\xB3o\xAD\xD3\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB5{\xA6\xA1\xA8S\xA6\xB3\xBE" "A\xA5\xCE\xA9\xF3\xA6\xB9 Windows (";
// ) 的開機更新程式 !\n沒有寫入任何檔案.\n
inline constexpr char kNoFlasherTail[] = ") \xAA\xBA\xB6}\xBE\xF7\xA7\xF3\xB7s\xB5{\xA6\xA1 !\n\xA8S\xA6\xB3\xBCg\xA4J\xA5\xF4\xA6\xF3\xC0\xC9\xAE\xD7.\n";
}  // namespace big5

}  // namespace qz::texts::update
