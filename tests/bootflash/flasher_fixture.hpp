#pragma once
// A simulated machine staged for one flasher run, as the updater leaves it: FW.bin made with
// the updater's own cipher copy, a flasher configuration block patched by key search,
// BootExecute naming the flasher, and drives on \??\PhysicalDrive<n>.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bootflash/firmware_cipher.hpp"
#include "bootflash/flasher_config.hpp"
#include "sim/os/host_flasher.hpp"
#include "bootflash/image_field.hpp"
#include "platform/registry_api.hpp"
#include "sim/devices/ata_drive.hpp"
#include "sim/catalogue/disk_machines.hpp"
#include "sim/machine/machine.hpp"
#include "sim/devices/sample_firmware.hpp"
#include "staging/firmware_transform.hpp"

namespace qz::bootflash::testing {

inline const char* const kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline const char* const kModel = "VORTANIX QRX-480T9A";
inline const char* const kFwBin = "C:\\WINDOWS\\system32\\FW.bin";

// The 24 bytes the flasher compares: IDENTIFY model characters 1-24, blank-padded.
inline std::string Model24(const std::string& model) {
  std::string m = model.substr(0, 24);
  m.resize(24, ' ');
  return m;
}

// What the updater writes as FW.bin for an image.
inline std::vector<std::uint8_t> EncipherForFlasher(std::vector<std::uint8_t> image) {
  const std::size_t length = image.size();
  image.resize(ProcessedLength(length), 0);
  staging::TransformFirmware(image.data(), length, false);
  image.resize(length);
  return image;
}

class FlasherFixture : public ::testing::Test {
 protected:
  explicit FlasherFixture(sim::Windows release = sim::Windows::Win7X64,
                          sim::CallerBits processBits = sim::CallerBits::X64)
      : machine(release), bits(processBits) {
    machine.files.Put("C:\\WINDOWS\\bootstat.dat", std::vector<std::uint8_t>(2048, 0));
    machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute",
                                    {"autocheck autochk *", "Ombrel FW.bin"});
    firmware = sim::MakeSampleFirmware(sim::SampleFirmware{});
    PutFirmware(firmware);
    Configure({kModel}, "VRDC", "VRDC-4", false);
  }

  std::shared_ptr<sim::AtaDrive> AddDrive(const std::string& model = kModel,
                                          const std::string& revision = "VRDB",
                                          const std::string& extension = "VRDB-2") {
    auto drive = std::make_shared<sim::AtaDrive>(sim::AtaDrive::Identity{
        model, "SN" + std::to_string(machine.physicalDrives.size() + 1000), revision, extension});
    machine.physicalDrives.push_back(drive);
    return drive;
  }

  // \??\PhysicalDrive<n> as its storage driver describes it; a drive without such a disk
  // answers as a SATA disk.
  sim::StorageDisk& DescribeDisk(std::uint32_t n, std::uint32_t busType) {
    sim::DiskSpec spec;
    spec.instanceId = "SCSI\\DISK&VEN_TEST\\" + std::to_string(n);
    spec.deviceNumber = n;
    spec.busType = busType;
    return *sim::AddDisk(machine, spec).device;
  }

  void PutFirmware(const std::vector<std::uint8_t>& image) {
    machine.files.Put(kFwBin, EncipherForFlasher(image));
  }

  // The block as the updater patches it (values shorter than their field keep the blanks).
  void Configure(const std::vector<std::string>& models, const std::string& revision,
                 const std::string& extension, bool bootCode) {
    const FlasherConfigLayout& layout = ConfigLayoutFor(bits);
    config.assign(layout.size, 0);
    BuildFlasherConfig(layout, config.data());
    Patch("UPDATEBOOT=", bootCode ? "1" : "0");
    Patch("_____FW=", revision);
    Patch("_FW_EXT=", extension);
    char count[5];
    std::snprintf(count, sizeof count, "%04zu", models.size());
    Patch("DRIVECOUNT=", count);
    for (std::size_t k = 0; k < models.size(); ++k) {
      Patch("VENDID" + std::to_string(k + 1) + "=", Model24(models[k]));
    }
  }

  void Patch(const std::string& key, const std::string& value) {
    ASSERT_EQ(PatchImageField(config.data(), config.size(), key.c_str(), value.c_str()),
              PatchResult::kWritten)
        << key;
  }

  HostFlasherRun Run(const std::string& commandLine = "Ombrel FW.bin",
                     const std::string& imagePath = "\\SystemRoot\\system32\\Ombrel.exe",
                     const std::function<void(sim::SimNative&)>& prepare = {}) {
    return RunHostFlasher(machine, bits, config, imagePath, commandLine, prepare);
  }

  std::vector<std::string> BootExecute() {
    return machine.registry
        .GetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute")
        .value_or(std::vector<std::string>{"<absent>"});
  }

  std::vector<std::uint8_t> FwBin() { return *machine.files.Get(kFwBin); }
  bool FwBinMarked() {
    const auto data = FwBin();
    return std::search(data.begin(), data.end(), kDone, kDone + 16) != data.end();
  }
  std::uint8_t BootStatusByte() { return (*machine.files.Get("C:\\WINDOWS\\bootstat.dat"))[10]; }

  static constexpr char kDone[] = "NATIVEFLASH_DONE";
  sim::Machine machine;
  sim::CallerBits bits;
  std::vector<std::uint8_t> firmware;
  std::vector<std::uint8_t> config;
};

inline std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace qz::bootflash::testing
