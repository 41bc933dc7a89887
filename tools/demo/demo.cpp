// The simulated update, run on the host: see demo_run.hpp. The exit status is 0 only when
// every drive of the package's model runs the package's revision afterwards.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/demo/demo_run.hpp"
#include "tools/demo/machine_file.hpp"
#include "tools/packer/packer.hpp"
#include "updater/package_layout.hpp"

namespace {

using namespace qz;

std::vector<std::uint8_t> ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Usage() {
  std::printf(
      "usage: quenzar-demo [--machine NAME | --machine-file FILE.json] [--firmware FILE] [--fault NAME]\n"
      "                    [--answer-no]\n"
      "machines:");
  for (const auto& m : demo::BuiltInMachines()) std::printf(" %s", m.name.c_str());
  std::printf("\nfaults:");
  for (const auto& f : demo::FaultNames()) std::printf(" %s", f.c_str());
  std::printf("\nmachine file (JSON): {\"windows\": NAME, \"layout\": \"ahci\"|\"ide\", \"usb\": BOOL, \"title\": TEXT,\n"
              "  \"drives\": [{\"model\": TEXT, \"revision\": TEXT, \"extension\": TEXT, \"serial\": TEXT}, ...]}\n"
              "windows:");
  for (const auto& r : demo::ReleaseNames()) std::printf(" %s", r.first.c_str());
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string machineName = "win7x64", firmwareFile, machineFile;
  demo::DemoOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--machine" && i + 1 < argc) {
      machineName = argv[++i];
    } else if (a == "--machine-file" && i + 1 < argc) {
      machineFile = argv[++i];
    } else if (a == "--firmware" && i + 1 < argc) {
      firmwareFile = argv[++i];
    } else if (a == "--fault" && i + 1 < argc) {
      options.fault = argv[++i];
    } else if (a == "--answer-no") {
      options.answerNo = true;
    } else {
      Usage();
      return 2;
    }
  }
  bool found = false;
  for (const auto& m : demo::BuiltInMachines()) {
    if (m.name == machineName) {
      options.machine = m;
      found = true;
    }
  }
  if (!found) {
    Usage();
    return 2;
  }
  if (!machineFile.empty()) {
    std::ifstream in(machineFile, std::ios::binary);
    if (!in) {
      std::printf("cannot read %s\n", machineFile.c_str());
      return 2;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    std::string error;
    const auto machine = demo::ParseMachineFile(text, error);
    if (!machine) {
      std::printf("%s: %s\n", machineFile.c_str(), error.c_str());
      return 2;
    }
    options.machine = *machine;
  }
  if (!firmwareFile.empty()) {
    std::ifstream probe(firmwareFile, std::ios::binary);
    if (!probe) {
      std::printf("cannot read %s\n", firmwareFile.c_str());
      return 2;
    }
    options.firmwareFile = ReadHostFile(firmwareFile);
  }

  // The package as shipped: the block of the packed release Quenzar.exe.
  std::vector<std::uint8_t> exe = ReadHostFile(QZ_DEMO_PACKED_EXE);
  std::string error;
  const auto base = packer::LocateBlock(exe, error);
  if (exe.empty() || !base) {
    std::printf("no packed Quenzar.exe at %s (%s)\n", QZ_DEMO_PACKED_EXE, error.c_str());
    return 2;
  }
  options.packageBlock.assign(exe.begin() + static_cast<std::ptrdiff_t>(*base),
                              exe.begin() + static_cast<std::ptrdiff_t>(*base + pkg::kBlockSize));
  const auto result = demo::RunDemo(options);
  if (result.badFault) {
    Usage();
    return 2;
  }
  return result.reached ? 0 : 1;
}
