#include "sim/devices/access_drivers.hpp"

#include "platform/little_endian.hpp"
#include "platform/text.hpp"
#include "sim/machine/machine.hpp"
#include "sim/devices/port_driver.hpp"
#include "sim/devices/tessel_driver.hpp"

namespace qz::sim {
namespace {

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

AccessDrivers::AccessDrivers(Machine& machine) : machine_(machine) {
  machine_.services.OnStart("tessel", [this](ServiceManager::Service& s) {
    if (CheckImage(s.binaryPath) != 0) return false;
    tessel = std::make_shared<SimTesselDriver>(machine_.pci, machine_.physicalMemory);
    machine_.AddDevice("\\\\.\\TESSEL", tessel);
    return true;
  });
  machine_.services.OnStop("tessel", [this](ServiceManager::Service&) {
    machine_.AddDevice("\\\\.\\TESSEL", nullptr);
    tessel.reset();
  });
  machine_.services.OnStart("tesselio", [this](ServiceManager::Service& s) {
    if (CheckImage(s.binaryPath) != 0) return false;
    port = std::make_shared<SimPortDriver>(machine_.ioPorts, machine_.physicalMemory);
    machine_.AddDevice("\\\\.\\TESSELIO", port);
    return true;
  });
  machine_.services.OnStop("tesselio", [this](ServiceManager::Service&) {
    machine_.AddDevice("\\\\.\\TESSELIO", nullptr);
    port.reset();
  });
}

std::string AccessDrivers::ImageFile(const std::string& binaryPath) const {
  std::string path = binaryPath;
  if (StartsWith(path, "\\??\\")) return path.substr(4);
  if (StartsWith(path, "\\SystemRoot\\")) return machine_.windowsDirectory + path.substr(11);
  if (path.size() > 1 && path[1] == ':') return path;
  return machine_.windowsDirectory + "\\" + path;
}

std::uint16_t ImageProcessor(const std::vector<std::uint8_t>& d) {
  if (d.size() < 0x40 || d[0] != 'M' || d[1] != 'Z') return 0;
  const std::size_t pe = le::Load32(d.data() + 0x3C);
  if (pe + 6 > d.size() || d[pe] != 'P' || d[pe + 1] != 'E' || d[pe + 2] || d[pe + 3]) return 0;
  return le::Load16(d.data() + pe + 4);
}

std::uint32_t AccessDrivers::CheckImage(const std::string& binaryPath) const {
  const FileSystem::File* file = machine_.files.Find(ImageFile(binaryPath));
  if (!file) return 2;
  const std::uint16_t type = ImageProcessor(file->data);
  const std::uint16_t wanted = machine_.Is64Bit() ? kMachineAmd64 : kMachineI386;
  return type == wanted ? 0 : 193;
}

}  // namespace qz::sim
