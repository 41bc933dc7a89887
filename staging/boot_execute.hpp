#pragma once
// The Session Manager's BootExecute list as staging edits it: other programs' entries (a
// scheduled disk check, say) are kept in order, earlier entries of our flasher are dropped,
// and the flasher's entry goes last.
#include <string>
#include <string_view>
#include <vector>

namespace qz {

inline constexpr const char* kSessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr const char* kDefaultBootEntry = "autocheck autochk *";

// Whether an entry runs the program `name` (compared without case, ".exe" optional).
bool IsEntryOfProgram(std::string_view entry, std::string_view name);

// existing: the value's strings, or nullptr when it could not be read.
std::vector<std::string> WithFlasherEntry(const std::vector<std::string>* existing,
                                          std::string_view name, std::string_view argument);

}  // namespace qz
