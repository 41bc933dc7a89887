// IDENTIFY DEVICE data as both sides read it: the flasher's model and revision out of the
// pass-through reply (both request layouts) and its bus type out of a device descriptor, and
// the updater's scan of a simulated machine whose drives answer with the fuzzer's sector, then
// eligibility against the shipped package and the drive's identity text.
#include <algorithm>
#include <vector>

#include "bootflash/drive_protocol.hpp"
#include "discovery/drive_manager.hpp"
#include "tests/fuzz/fuzz_native.hpp"
#include "tests/transport/command_rig.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/drive_match.hpp"
#include "updater/update_command.hpp"

using namespace qz;

namespace {

class FuzzedDrive final : public sim::AtaLink {
 public:
  explicit FuzzedDrive(std::vector<std::uint8_t> sector) : sector_(std::move(sector)) {}
  sim::AtaLinkReply Run(const sim::AtaLinkCommand& c, std::vector<std::uint8_t>& data) override {
    sim::AtaLinkReply reply;
    reply.registers = c.registers;
    reply.registers[0] = 0;
    reply.registers[6] = 0x50;
    if (c.direction == sim::AtaLinkDirection::In) {
      data.assign(c.length, 0);
      std::copy_n(sector_.begin(), std::min<std::size_t>(sector_.size(), data.size()), data.begin());
    }
    return reply;
  }

 private:
  std::vector<std::uint8_t> sector_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> sector(data, data + std::min<std::size_t>(size, 512));
  sector.resize(512, 0);

  for (const auto* layout : {&bootflash::kAtaHeader32, &bootflash::kAtaHeader64}) {
    auto state = std::make_unique<bootflash::FlasherState>();
    fuzz::FuzzNt nt;
    nt.sector = sector;
    nt.headerSize = layout->size;
    bootflash::DriveProtocol<fuzz::FuzzNt> drive(nt, *state, *layout);
    std::uint8_t model[bootflash::kModelBytes], revision[bootflash::kRevisionBytes];
    drive.IdentifyDrive(0, model, revision);
    // The same bytes as the disk's device descriptor, which the bus type is read from.
    nt.headerSize = 0;
    drive.QueryBusType(0);
  }

  static const PackageBlock* package = new PackageBlock(EmbeddedPackageBlock());
  test::CommandRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  for (auto& disk : rig.machine.deviceTree.disks) {
    rig.ports.push_back(sim::AttachDrive(rig.machine, disk, std::make_shared<FuzzedDrive>(sector),
                                         sim::PortDriver::StandardSata()));
  }
  auto manager = DriveManager::Create(rig.System(), false);
  if (!manager) return 0;
  DriveManagerLink drives(std::move(manager));
  PackageOptions options = ReadPackageOptions(*package);
  options.LongRevisions = size > 512 && (data[512] & 1);
  MatchDrivesToPackage(*package, options, drives);
  for (unsigned i = 0; i < drives.GetCount(); ++i) {
    if (const DriveRecord* r = drives.GetItem(i)) {
      if (DriveIdentity(*r).size() > 63) __builtin_trap();
      if (r->ModelText.back() != 0 || r->FirmwareRevision.back() != 0) __builtin_trap();
    }
  }
  return 0;
}
