#pragma once
// One 32-bit process on a simulated machine with everything discovery talks to.
#include <sstream>
#include <string>
#include <vector>

#include "sim/catalogue/disk_machines.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_setup_api.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/os/sim_wmi.hpp"

namespace qz::testing {

struct DiscoveryRig {
  explicit DiscoveryRig(sim::Windows release = sim::Windows::Win7X64)
      : machine(release), api(machine, sim::Bitness::X86), setup(api), wmi(api) {}

  // The lines of a trace file, CR LF taken apart; empty when there is no file.
  std::vector<std::string> Lines(const std::string& path) const {
    std::vector<std::string> lines;
    auto text = machine.files.GetText(path);
    if (!text) return lines;
    std::string line;
    for (std::size_t i = 0; i < text->size(); ++i) {
      const char c = (*text)[i];
      if (c == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n') {
        lines.push_back(line);
        line.clear();
        ++i;
      } else {
        line += c;
      }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
  }
  std::vector<std::string> DebugLines() const { return Lines("C:\\DEBUG.TXT"); }
  std::vector<std::string> TempLines() const { return Lines("C:\\TEMP\\DEBUG.TXT"); }

  static int Count(const std::vector<std::string>& lines, const std::string& line) {
    int n = 0;
    for (const auto& l : lines) n += l == line ? 1 : 0;
    return n;
  }

  sim::Machine machine;
  sim::SimWin32 api;
  sim::SimSetupApi setup;
  sim::SimWmi wmi;
};

}  // namespace qz::testing
