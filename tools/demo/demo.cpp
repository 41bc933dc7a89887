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

// What the command line asks for, before any file is read.
struct Request {
  std::string exePath = QZ_DEMO_PACKED_EXE, machineName, machineFile, firmwareFile, jsonFile, args;
  bool matrix = false;
};

// False on an argument it does not know, or an option without its value.
bool ParseArguments(int argc, char** argv, Request& r, demo::DemoOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool value = i + 1 < argc;
    if (a == "--exe" && value) {
      r.exePath = argv[++i];
    } else if (a == "--machine" && value) {
      r.machineName = argv[++i];
    } else if (a == "--machine-file" && value) {
      r.machineFile = argv[++i];
    } else if (a == "--args" && value) {
      r.args = argv[++i];
    } else if (a == "--firmware" && value) {
      r.firmwareFile = argv[++i];
    } else if (a == "--fault" && value) {
      options.fault = argv[++i];
    } else if (a == "--json" && value) {
      r.jsonFile = argv[++i];
    } else if (a == "--answer-no") {
      options.answerNo = true;
    } else if (a == "--matrix") {
      r.matrix = true;
    } else {
      return false;
    }
  }
  return true;
}

// The machines to run: the one a machine file describes, the built-in one named, every
// built-in one for the matrix, or the first. Empty after a refusal, with its status in `status`.
std::vector<demo::DemoMachine> ChooseMachines(const Request& r, int& status) {
  std::vector<demo::DemoMachine> machines;
  if (!r.machineFile.empty()) {
    const auto text = ReadHostFile(r.machineFile);
    if (!text) {
      status = Refuse("--machine-file " + r.machineFile + ": cannot be read");
      return {};
    }
    std::string error;
    const auto machine = demo::ParseMachineFile(std::string(text->begin(), text->end()), error);
    if (!machine) {
      status = Refuse(r.machineFile + ": " + error);
      return {};
    }
    machines.push_back(*machine);
    return machines;
  }
  for (const auto& m : demo::BuiltInMachines()) {
    if (r.machineName.empty() ? (r.matrix || machines.empty()) : m.name == r.machineName) machines.push_back(m);
  }
  if (machines.empty()) {
    std::string names;
    for (const auto& m : demo::BuiltInMachines()) names += " " + m.name;
    status = Refuse("--machine " + r.machineName + ": no such machine; built in:" + names);
  }
  return machines;
}

bool KnownFault(const std::string& fault) {
  for (const auto& f : demo::FaultNames()) {
    if (f == fault) return true;
  }
  return false;
}

// The firmware file and the release's block into the options; a status of 2 when one can't be read.
int LoadInputs(const Request& r, demo::DemoOptions& options) {
  if (!r.firmwareFile.empty()) {
    options.firmwareFile = ReadHostFile(r.firmwareFile);
    if (!options.firmwareFile) return Refuse("--firmware " + r.firmwareFile + ": cannot be read");
  }
  options.arguments = demo::SplitArguments(r.args);
  // The release as shipped: the block of the packed Quenzar.exe.
  const auto exe = ReadHostFile(r.exePath);
  if (!exe) return Refuse("--exe " + r.exePath + ": cannot be read");
  std::string error;
  const auto block = demo::PackageBlockOfRelease(*exe, error);
  if (!block) return Refuse(r.exePath + " is not a packed updater: " + error);
  options.packageBlock = *block;
  return 0;
}

demo::Matrix Rehearse(const Request& r, const std::vector<demo::DemoMachine>& machines, demo::DemoOptions& options) {
  demo::Matrix table;
  if (r.matrix) {
    table = demo::RunMatrix(machines, options);
    for (const auto& row : table.rows) std::printf("%s\n", demo::MatrixLine(row).c_str());
    std::printf("%s\n", demo::MatrixTotal(table).c_str());
    return table;
  }
  options.machine = machines.front();
  const auto start = std::chrono::steady_clock::now();
  table.rows = {demo::RowOf(options.machine.name, options.fault, demo::RunDemo(options))};
  table.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  demo::DemoOptions options;
  if (!ParseArguments(argc, argv, request, options)) {
    Usage();
    return 2;
  }
  if (!request.machineName.empty() && !request.machineFile.empty()) {
    return Refuse("--machine and --machine-file exclude each other");
  }
  if (request.matrix && !options.fault.empty()) return Refuse("--matrix runs every fault; leave out --fault");
  int status = 2;
  const std::vector<demo::DemoMachine> machines = ChooseMachines(request, status);
  if (machines.empty()) return status;
  if (!options.fault.empty() && !KnownFault(options.fault)) {
    std::string names;
    for (const auto& f : demo::FaultNames()) names += " " + f;
    return Refuse("--fault " + options.fault + ": no such fault; faults:" + names);
  }
  if (const int refused = LoadInputs(request, options)) return refused;
  const demo::Matrix table = Rehearse(request, machines, options);
  if (!request.jsonFile.empty()) {
    std::ofstream json(request.jsonFile, std::ios::binary | std::ios::trunc);
    json << demo::MatrixJson(table);
    if (!json) return Refuse("--json " + request.jsonFile + ": cannot be written");
  }
  return table.Passed() == table.rows.size() ? 0 : 1;
}
