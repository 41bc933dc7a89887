#pragma once
// The configuration block as built, written out field by field from the layout tables (not
// from the code under test).
#include <string>

namespace qz::bootflash::testing {

inline std::string Blanks(std::size_t n) { return std::string(n, ' '); }
inline std::string Nuls(std::size_t n) { return std::string(n, '\0'); }

inline std::string Built32() {
  std::string b = "KEY=" + Blanks(16) + "UPDATEBOOT=0" + "_____FW=" + Blanks(8) + "_FW_EXT=" +
                  Blanks(8) + "DRIVECOUNT=0000" + Nuls(1);
  for (char k = '1'; k <= '6'; ++k) b += std::string("VENDID") + k + "=N/A" + Blanks(21);
  return b;
}

inline std::string Built64() {
  std::string b = "KEY=" + Blanks(16) + Nuls(4) + "UPDATEBOOT=0" + Nuls(4) + "_____FW=" +
                  Blanks(8) + "_FW_EXT=" + Blanks(8) + "DRIVECOUNT=0000" + Nuls(9);
  for (char k = '1'; k <= '6'; ++k) b += std::string("VENDID") + k + "=N/A" + Blanks(21);
  return b;
}

}  // namespace qz::bootflash::testing
