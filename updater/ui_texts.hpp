#pragma once
// The texts of the start-up and the drive list in both languages. The second language is
// Traditional Chinese stored as Big5 bytes (Windows code page 950); each is shown converted
// from that code page, whatever the system's own.
namespace qz::texts {

namespace en {
inline constexpr char kLabel1[] = "Please select target device";
inline constexpr char kUpdateMsgStartup[] = "it will be updated from";
inline constexpr char kTo[] = "To";
inline constexpr char kMessage[] = "Message";
inline constexpr char kUpdate[] = "Update";
inline constexpr char kStart[] = "Start";
inline constexpr char kClose[] = "Close";
inline constexpr char kBatteryLow[] =
    "The electric consumption of the battery is insufficient, please use AC power !";
inline constexpr char kNoFirmware[] = "No F/W in executable !";
inline constexpr char kDeviceInitFailed[] = "Device object initialize failed !";
inline constexpr char kErrorDots[] = "Error ...";
inline constexpr char kAccessDenied[] =
    "Access denied ! You must have administrator privilege to flash SSD.";
inline constexpr char kNoMatchedDrives[] = "No matched drives detected !\n";
inline constexpr char kNoticeHead[] = "This flash utility only supports ";
inline constexpr char kNoticeModelTail[] = " SSD.\n\n";
inline constexpr char kNoticeTitle[] = "NOTICE : \n\n";
inline constexpr char kNotice1[] = "1> Please close all applications before running this utility !\n";
inline constexpr char kNotice2[] = "2> Don't turn off the system while flash is in progress. \n";
inline constexpr char kNotice3[] =
    "3> Don't remove the adapter and battery during F/W reflash processing. \n";
inline constexpr char kNoticeQuestion[] = "\nDo you wish to continue ?";
inline constexpr char kUpdateMsgEligible[] = "It will be updated from";
inline constexpr char kUpdateMsgNotAllowed[] = "This drive is not allowed to be updated.";
// A firmware file named on the command line that can't be taken.
inline constexpr char kFileUnreadable[] = "The F/W file can not be read !";
inline constexpr char kFileEmpty[] = "The F/W file is empty !";
inline constexpr char kFileTooLarge[] = "The F/W file is too large !";
inline constexpr char kFileNotMultipleOf16[] = "The F/W file size is not a multiple of 16 bytes !";
// The last boot-time run, under the version line:
// "Last F/W update 2026-12-08 15:03 : disk 3, VRD5 to VRDC, passed"
inline constexpr char kLastRunHead[] = "Last F/W update ";
inline constexpr char kLastRunDateUnknown[] = "(date unknown)";
inline constexpr char kLastRunDisk[] = " : disk ";
inline constexpr char kLastRunTo[] = " to ";
inline constexpr char kLastRunPassed[] = ", passed";
inline constexpr char kLastRunFailed[] = ", FAILED";
// A run that looked at the drives and flashed none: "Last F/W update 2026-12-08 15:03 : no
// disk was flashed"
inline constexpr char kLastRunNoneFlashed[] = " : no disk was flashed";
// A disk of the release's model that no transport reached, one paragraph a disk:
// "Disk 2, VORTANIX QRX-480T9A, controller driver iaStorAC:\n" + kUnreachedTail
inline constexpr char kUnreachedDisk[] = "Disk ";
inline constexpr char kUnreachedDriver[] = ", controller driver ";
inline constexpr char kUnreachedTail[] = ":\nthis drive can not be updated through that driver !\n";
inline constexpr char kUnknownDriver[] = "(unknown)";
}  // namespace en

// Captions and texts that stay English in both languages.
inline constexpr char kDetectedDrives[] = "Detected drives :\n";
inline constexpr char kWarning[] = "Warning";
inline constexpr char kError[] = "Error";

namespace big5 {
// 請選擇您要更新的SSD
inline constexpr char kLabel1[] = "\xBD\xD0\xBF\xEF\xBE\xDC\xB1z\xADn\xA7\xF3\xB7s\xAA\xBASSD";
// SDD韌體將被更新 , 從
inline constexpr char kUpdateMsgStartup[] = "SDD\xB6\xB4\xC5\xE9\xB1N\xB3Q\xA7\xF3\xB7s , \xB1q";
// 到
inline constexpr char kTo[] = "\xA8\xEC";
// 狀態訊息
inline constexpr char kMessage[] = "\xAA\xAC\xBA" "A\xB0T\xAE\xA7";
// 更新
inline constexpr char kUpdate[] = "\xA7\xF3\xB7s";
// 關閉
inline constexpr char kClose[] = "\xC3\xF6\xB3\xAC";
// 電池電量不足，請使用 AC 電源 !
inline constexpr char kBatteryLow[] = "\xB9q\xA6\xC0\xB9q\xB6q\xA4\xA3\xA8\xAC\xA1" "A\xBD\xD0\xA8\xCF\xA5\xCE AC \xB9q\xB7\xBD !";
// 執行檔並無韌體檔案存在 !
inline constexpr char kNoFirmware[] = "\xB0\xF5\xA6\xE6\xC0\xC9\xA8\xC3\xB5L\xB6\xB4\xC5\xE9\xC0\xC9\xAE\xD7\xA6s\xA6" "b !";
// 初始化裝置物件失敗 !
inline constexpr char kDeviceInitFailed[] = "\xAA\xEC\xA9l\xA4\xC6\xB8\xCB\xB8m\xAA\xAB\xA5\xF3\xA5\xA2\xB1\xD1 !";
// 錯誤 ...
inline constexpr char kErrorDots[] = "\xBF\xF9\xBB~ ...";
// 存取遭拒 ! 您必須具有管理者權限才能更新SSD韌體
inline constexpr char kAccessDenied[] = "\xA6s\xA8\xFA\xBE" "D\xA9\xDA ! \xB1z\xA5\xB2\xB6\xB7\xA8\xE3\xA6\xB3\xBA\xDE\xB2z\xAA\xCC\xC5v\xAD\xAD\xA4~\xAF\xE0\xA7\xF3\xB7sSSD\xB6\xB4\xC5\xE9";
// 找不到符合條件的SSD !\n
inline constexpr char kNoMatchedDrives[] = "\xA7\xE4\xA4\xA3\xA8\xEC\xB2\xC5\xA6X\xB1\xF8\xA5\xF3\xAA\xBASSD !\n";
// 這個韌體更新程式只能適用於 
inline constexpr char kNoticeHead[] = "\xB3o\xAD\xD3\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB5{\xA6\xA1\xA5u\xAF\xE0\xBE" "A\xA5\xCE\xA9\xF3 ";
//  這個型號的SSD.\n\n
inline constexpr char kNoticeModelTail[] = " \xB3o\xAD\xD3\xAB\xAC\xB8\xB9\xAA\xBASSD.\n\n";
// 注意 : \n\n
inline constexpr char kNoticeTitle[] = "\xAA`\xB7N : \n\n";
// 1> 在執行這個韌體更新程式之前請先關閉所有的應用程式 !\n
inline constexpr char kNotice1[] = "1> \xA6" "b\xB0\xF5\xA6\xE6\xB3o\xAD\xD3\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB5{\xA6\xA1\xA4\xA7\xAB" "e\xBD\xD0\xA5\xFD\xC3\xF6\xB3\xAC\xA9\xD2\xA6\xB3\xAA\xBA\xC0\xB3\xA5\xCE\xB5{\xA6\xA1 !\n";
// 2> 在韌體更新過程當中請勿關閉電源 ! \n
inline constexpr char kNotice2[] = "2> \xA6" "b\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB9L\xB5{\xB7\xED\xA4\xA4\xBD\xD0\xA4\xC5\xC3\xF6\xB3\xAC\xB9q\xB7\xBD ! \n";
// 3> 在韌體更新過程當中請勿拔除電源插頭以及電池 ! \n
inline constexpr char kNotice3[] = "3> \xA6" "b\xB6\xB4\xC5\xE9\xA7\xF3\xB7s\xB9L\xB5{\xB7\xED\xA4\xA4\xBD\xD0\xA4\xC5\xA9\xDE\xB0\xA3\xB9q\xB7\xBD\xB4\xA1\xC0Y\xA5H\xA4\xCE\xB9q\xA6\xC0 ! \n";
// \n您確定要繼續嗎 ?
inline constexpr char kNoticeQuestion[] = "\n\xB1z\xBDT\xA9w\xADn\xC4~\xC4\xF2\xB6\xDC ?";
// 裝置的韌體將被更新 , 從
inline constexpr char kUpdateMsgEligible[] = "\xB8\xCB\xB8m\xAA\xBA\xB6\xB4\xC5\xE9\xB1N\xB3Q\xA7\xF3\xB7s , \xB1q";
// 您所選擇這台裝置並不允許被更新韌體 !
inline constexpr char kUpdateMsgNotAllowed[] = "\xB1z\xA9\xD2\xBF\xEF\xBE\xDC\xB3o\xA5x\xB8\xCB\xB8m\xA8\xC3\xA4\xA3\xA4\xB9\xB3\x5C\xB3Q\xA7\xF3\xB7s\xB6\xB4\xC5\xE9 !";
// 上次韌體更新 
inline constexpr char kLastRunHead[] = "\xA4W\xA6\xB8\xB6\xB4\xC5\xE9\xA7\xF3\xB7s ";
// (日期不明)
inline constexpr char kLastRunDateUnknown[] = "(\xA4\xE9\xB4\xC1\xA4\xA3\xA9\xFA)";
//  : 磁碟 
inline constexpr char kLastRunDisk[] = " : \xBA\xCF\xBA\xD0 ";
//  到 
inline constexpr char kLastRunTo[] = " \xA8\xEC ";
// , 成功
inline constexpr char kLastRunPassed[] = ", \xA6\xA8\xA5\x5C";
// , 失敗
inline constexpr char kLastRunFailed[] = ", \xA5\xA2\xB1\xD1";
//  : 沒有磁碟被更新
inline constexpr char kLastRunNoneFlashed[] = " : \xA8S\xA6\xB3\xBA\xCF\xBA\xD0\xB3Q\xA7\xF3\xB7s";
// 磁碟 
inline constexpr char kUnreachedDisk[] = "\xBA\xCF\xBA\xD0 ";
// , 控制器驅動程式 
inline constexpr char kUnreachedDriver[] = ", \xB1\xB1\xA8\xEE\xBE\xB9\xC5X\xB0\xCA\xB5{\xA6\xA1 ";
// :\n無法透過這個驅動程式更新這台裝置的韌體 !\n
inline constexpr char kUnreachedTail[] = ":\n\xB5L\xAAk\xB3z\xB9L\xB3o\xAD\xD3\xC5X\xB0\xCA\xB5{\xA6\xA1\xA7\xF3\xB7s\xB3o\xA5x\xB8\xCB\xB8m\xAA\xBA\xB6\xB4\xC5\xE9 !\n";
// (不明)
inline constexpr char kUnknownDriver[] = "(\xA4\xA3\xA9\xFA)";
}  // namespace big5

}  // namespace qz::texts
