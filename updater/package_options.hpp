#pragma once
// The option values the updater takes from its package block, and the command-line flag
// Silent. One object per run, owned by the main window and read by the start-up, the drive
// list and the update command.
#include <cstdint>
#include <string>
#include <vector>

#include "updater/package_block.hpp"

namespace qz {

struct PackageOptions {
  int Language = 0;              // digit 1: 1 second language, else English
  bool AutoUpdate = false;       // digit 7
  int NoticeMode = 0;            // digit 9: 1 two points, 2 three points, else none
  int PackageCount = 0;          // digit 10: packages 1..PackageCount; above 6 counts as 0
  bool ListEligibleOnly = false; // digit 12
  bool CheckBattery = false;     // digit 19
  bool UpdateBoot = false;       // digit 21
  bool SkipAdminCheck = false;   // digit 22
  bool AutoCloseMessages = false;// digit 25
  bool UnattendedRun = false;    // digit 27
  int AutoCloseSeconds = 0;      // digit 28
  std::int8_t PackageMode = 0;   // the byte after "PARA_OPT="
  bool LongRevisions = false;    // derived from the model table
  bool Silent = false;           // "/S" on the command line
  // A firmware file on the command line replaced package 1. It may go only to a model this
  // program was built for: the supported-model text and the models of the embedded table.
  bool FirmwareFromFile = false;
  std::vector<std::string> FirmwareFileModels;

  bool SecondLanguage() const { return Language == 1; }
};

// Value of one option digit: '0'-'9' as their number, anything else as 0.
int OptionDigitValue(char digit);

// Reads PackageMode and the option digits (LongRevisions and Silent are left false).
PackageOptions ReadPackageOptions(const PackageBlock& block);

// True when an entry of rows 1-4 has a MinRevision longer than 4 characters once blanks are
// trimmed, not counting blank entries ("#FLS" anywhere in it).
bool HasLongRevisions(const PackageBlock& block);

}  // namespace qz
