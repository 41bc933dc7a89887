#include "staging/boot_execute.hpp"

#include "platform/text.hpp"

namespace qz {
namespace {

std::string_view WithoutExe(std::string_view program) {
  if (program.size() >= 4 && EqualsIgnoreCase(program.substr(program.size() - 4), ".exe")) {
    program.remove_suffix(4);
  }
  return program;
}

}  // namespace

bool IsEntryOfProgram(std::string_view entry, std::string_view name) {
  const auto blank = entry.find(' ');
  const std::string_view program = entry.substr(0, blank);
  return EqualsIgnoreCase(WithoutExe(program), WithoutExe(name));
}

std::vector<std::string> WithFlasherEntry(const std::vector<std::string>* existing,
                                          std::string_view name, std::string_view argument) {
  std::vector<std::string> out;
  if (existing) {
    for (const auto& entry : *existing) {
      if (!IsEntryOfProgram(entry, name)) out.push_back(entry);
    }
  } else {
    out.emplace_back(kDefaultBootEntry);
  }
  std::string own(name);
  own += ' ';
  own += argument;
  out.push_back(std::move(own));
  return out;
}

}  // namespace qz
