// The release engineer's rehearsal: a packed Quenzar.exe run on simulated machines. Exit
// status 0 when the run did what the release promises, 1 when it did not, 2 on bad input.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/demo/demo_run.hpp"
#include "tools/demo/machine_file.hpp"
#include "tools/demo/matrix.hpp"
#include "tools/demo/packed_release.hpp"

namespace {

using namespace qz;

std::optional<std::vector<std::uint8_t>> ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int Refuse(const std::string& line) {
  std::fprintf(stderr, "quenzar-demo: %s\n", line.c_str());
  return 2;
}

void Usage() {
  std::fprintf(stderr,
               "usage: quenzar-demo [--exe PACKED.exe] [--machine NAME | --machine-file FILE.json]\n"
               "                    [--args \"UPDATER ARGUMENTS\"] [--firmware FILE] [--fault NAME] [--answer-no]\n"
               "                    [--matrix] [--json FILE]\n"
               "  --exe        the packed release to rehearse (default: %s)\n"
               "  --args       the updater's own command line: /S, /DEBUG, C:\\FIRMWARE.BIN\n"
               "  --firmware   placed in the machine as C:\\FIRMWARE.BIN and named on the command line\n"
               "  --matrix     every built-in machine (or the one named) with no fault and with each fault\n"
               "  --json       the runs' table as JSON\n"
               "machines:",
               QZ_DEMO_PACKED_EXE);
  for (const auto& m : demo::BuiltInMachines()) std::fprintf(stderr, " %s", m.name.c_str());
  std::fprintf(stderr, "\nfaults:");
  for (const auto& f : demo::FaultNames()) std::fprintf(stderr, " %s", f.c_str());
  std::fprintf(stderr, "\nmachine files: see README.md (\"Rehearsing a release\")\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string exePath = QZ_DEMO_PACKED_EXE, machineName, machineFile, firmwareFile, jsonFile, args;
  bool matrix = false;
  demo::DemoOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool value = i + 1 < argc;
    if (a == "--exe" && value) {
      exePath = argv[++i];
    } else if (a == "--machine" && value) {
      machineName = argv[++i];
    } else if (a == "--machine-file" && value) {
      machineFile = argv[++i];
    } else if (a == "--args" && value) {
      args = argv[++i];
    } else if (a == "--firmware" && value) {
      firmwareFile = argv[++i];
    } else if (a == "--fault" && value) {
      options.fault = argv[++i];
    } else if (a == "--json" && value) {
      jsonFile = argv[++i];
    } else if (a == "--answer-no") {
      options.answerNo = true;
    } else if (a == "--matrix") {
      matrix = true;
    } else {
      Usage();
      return 2;
    }
  }
  if (!machineName.empty() && !machineFile.empty()) return Refuse("--machine and --machine-file exclude each other");
  if (matrix && !options.fault.empty()) return Refuse("--matrix runs every fault; leave out --fault");

  std::vector<demo::DemoMachine> machines;
  if (!machineFile.empty()) {
    const auto text = ReadHostFile(machineFile);
    if (!text) return Refuse("--machine-file " + machineFile + ": cannot be read");
    std::string error;
    const auto machine = demo::ParseMachineFile(std::string(text->begin(), text->end()), error);
    if (!machine) return Refuse(machineFile + ": " + error);
    machines.push_back(*machine);
  } else {
    for (const auto& m : demo::BuiltInMachines()) {
      if (machineName.empty() ? (matrix || machines.empty()) : m.name == machineName) machines.push_back(m);
    }
    if (machines.empty()) {
      std::string names;
      for (const auto& m : demo::BuiltInMachines()) names += " " + m.name;
      return Refuse("--machine " + machineName + ": no such machine; built in:" + names);
    }
  }
  if (!options.fault.empty()) {
    bool known = false;
    for (const auto& f : demo::FaultNames()) known = known || f == options.fault;
    if (!known) {
      std::string names;
      for (const auto& f : demo::FaultNames()) names += " " + f;
      return Refuse("--fault " + options.fault + ": no such fault; faults:" + names);
    }
  }
  if (!firmwareFile.empty()) {
    options.firmwareFile = ReadHostFile(firmwareFile);
    if (!options.firmwareFile) return Refuse("--firmware " + firmwareFile + ": cannot be read");
  }
  options.arguments = demo::SplitArguments(args);

  // The release as shipped: the block of the packed Quenzar.exe.
  const auto exe = ReadHostFile(exePath);
  if (!exe) return Refuse("--exe " + exePath + ": cannot be read");
  std::string error;
  const auto block = demo::PackageBlockOfRelease(*exe, error);
  if (!block) return Refuse(exePath + " is not a packed updater: " + error);
  options.packageBlock = *block;

  demo::Matrix table;
  if (matrix) {
    table = demo::RunMatrix(machines, options);
    for (const auto& row : table.rows) std::printf("%s\n", demo::MatrixLine(row).c_str());
    std::printf("%s\n", demo::MatrixTotal(table).c_str());
  } else {
    options.machine = machines.front();
    const auto start = std::chrono::steady_clock::now();
    table.rows = {demo::RowOf(options.machine.name, options.fault, demo::RunDemo(options))};
    table.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  if (!jsonFile.empty()) {
    std::ofstream json(jsonFile, std::ios::binary | std::ios::trunc);
    json << demo::MatrixJson(table);
    if (!json) return Refuse("--json " + jsonFile + ": cannot be written");
  }
  return table.Passed() == table.rows.size() ? 0 : 1;
}
