#include "tessel/library/tessel_library.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "request_bytes.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/devices/stub_image.hpp"
#include "sim/devices/tessel_driver.hpp"
#include "tessel/library/seam_library_os.hpp"

namespace qz::tessel {
namespace {

using test::At32;

class TesselLibraryTest : public ::testing::Test {
 protected:
  explicit TesselLibraryTest(sim::Windows release = sim::Windows::Win7X86)
      : machine_(release), os_(machine_, sim::Bitness::X86), seam_(os_), lib_(seam_) {
    machine_.physicalMemory.AddRam(0x2000, 0x1000);
    PutDriver();
    lib_.ProcessAttach();
  }
  void PutDriver() {
    const auto native = machine_.Is64Bit() ? sim::kImageX64 : sim::kImageX86;
    machine_.files.Create(machine_.SystemDirectory() + "\\drivers\\tessel.sys")->data =
        sim::StubImage(native, 4096);
  }
  std::string LastText() {
    char text[52] = {};
    lib_.maGetLastState(text);
    return text;
  }

  sim::Machine machine_;
  sim::SimWin32 os_;
  SeamLibraryOs seam_;
  TesselLibrary lib_;
};

TEST_F(TesselLibraryTest, EveryDriverCallBeforeOpenFailsWithNoDeviceHandle) {
  std::uint8_t record[100] = {};
  std::uint8_t records[72] = {};
  std::uint16_t vendor = 0xFFFF, device = 0;
  std::uint32_t handle = 0, physical = 0;
  const auto expectNoHandle = [&](std::uint32_t result, const char* what) {
    EXPECT_EQ(result, 0u) << what;
    EXPECT_EQ(lib_.maGetLastState(nullptr), 9996u) << what;
  };
  expectNoHandle(lib_.maPeekB(0x2000), "peek");
  expectNoHandle(lib_.maPeekD(0x2000), "peekd");
  expectNoHandle(static_cast<std::uint32_t>(lib_.maPokeD(0x2000, 1)), "poke");
  expectNoHandle(lib_.maMapPhysToLinear(0x2000, 16, &handle), "map");
  expectNoHandle(static_cast<std::uint32_t>(lib_.maFindPCIDevice(0xFFFF, 0, 0, record)), "find");
  expectNoHandle(static_cast<std::uint32_t>(
                     lib_.maGetPCIDeviceInfo(&vendor, &device, 0, nullptr, nullptr, nullptr, nullptr)),
                 "info");
  expectNoHandle(static_cast<std::uint32_t>(lib_.maGetDeviceBaseAddress(&vendor, &device, 0, records)),
                 "base");
  expectNoHandle(lib_.maAllocSystemBuffer(4096, &physical), "alloc");
  expectNoHandle(static_cast<std::uint32_t>(lib_.maFreeSystemBuffer()), "free");
  expectNoHandle(static_cast<std::uint32_t>(lib_.maCloseLibrary()), "close");
  // Unmapping on NT answers true, still with the state set.
  EXPECT_EQ(lib_.maUnmapPhysicalMemory(1, 0x1000), -1);
  EXPECT_EQ(LastText(), "No device handle");
  EXPECT_EQ(machine_.physicalMemory.Read(0x2000, 4), 0u);
}

TEST_F(TesselLibraryTest, OpenInstallsAndStartsTheDriverService) {
  ASSERT_EQ(machine_.services.Find("TESSEL"), nullptr);
  EXPECT_EQ(lib_.maOpenLibrary(), -1);
  EXPECT_EQ(lib_.state(), 0u);
  auto* service = machine_.services.Find("TESSEL");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->state, service_state::kRunning);
  EXPECT_EQ(service->startType, service_start::kDemand);
  EXPECT_EQ(service->type, service_type::kKernelDriver);
  EXPECT_EQ(service->binaryPath, "C:\\WINDOWS\\system32\\drivers\\Tessel.sys");
  EXPECT_EQ(os_.OpenHandleCount(), 1u);  // the device only
  // A second open closes the first handle.
  EXPECT_EQ(lib_.maOpenLibrary(), -1);
  EXPECT_EQ(os_.OpenHandleCount(), 1u);
  EXPECT_EQ(lib_.maCloseLibrary(), 1);
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
  EXPECT_EQ(lib_.maCloseLibrary(), 0);
  EXPECT_EQ(lib_.state(), 9996u);
}

TEST_F(TesselLibraryTest, OpenWithoutADriverImageFails) {
  machine_.files.Remove(machine_.SystemDirectory() + "\\drivers\\tessel.sys");
  EXPECT_EQ(lib_.maOpenLibrary(), 0);
  EXPECT_EQ(lib_.state(), err::kFileNotFound);
  EXPECT_EQ(LastText(), "Can't load Tessel.vxd or Tessel.sys");
  EXPECT_FALSE(lib_.isOpen());
}

TEST_F(TesselLibraryTest, OpenReportsAServiceManagerItCannotReach) {
  machine_.services.FailOpenManager(true);
  EXPECT_EQ(lib_.maOpenLibrary(), 0);
  EXPECT_EQ(lib_.state(), err::kAccessDenied);
}

TEST_F(TesselLibraryTest, DeviceIsClosedToOtherUsers) {
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  lib_.maCloseLibrary();
  machine_.SetAdministrator(false);
  EXPECT_EQ(lib_.maOpenLibrary(), 0);
  EXPECT_EQ(lib_.state(), err::kAccessDenied);
  EXPECT_EQ(LastText(), "Access denied");
}

TEST_F(TesselLibraryTest, PeekAndPokeEachWidth) {
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  EXPECT_EQ(lib_.maPokeD(0x2010, 0xDEADBEEF), -1);
  EXPECT_EQ(machine_.physicalMemory.Read(0x2010, 4), 0xDEADBEEFu);
  EXPECT_EQ(lib_.maPeekB(0x2010), 0xEFu);
  EXPECT_EQ(lib_.maPeekW(0x2012), 0xDEADu);
  EXPECT_EQ(lib_.maPeekD(0x2010), 0xDEADBEEFu);
  EXPECT_EQ(lib_.maPokeB(0x2011, 0x1234), -1);  // only the byte reaches memory
  EXPECT_EQ(machine_.physicalMemory.Read(0x2010, 4), 0xDEAD34EFu);
  EXPECT_EQ(lib_.maPokeW(0x2012, 0xABCD1234), -1);
  EXPECT_EQ(machine_.physicalMemory.Read(0x2010, 4), 0x123434EFu);
  EXPECT_EQ(lib_.state(), 0u);
}

TEST_F(TesselLibraryTest, FailedRequestLeavesTheWindowsError) {
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  std::uint32_t handle = 99;
  EXPECT_EQ(lib_.maMapPhysToLinear(0x2000, 0, &handle), 0u);
  EXPECT_EQ(handle, 99u);
  EXPECT_EQ(lib_.state(), err::kInvalidParameter);
  EXPECT_EQ(LastText(), "Invalid Parameter");
  // and a good one clears it
  EXPECT_NE(lib_.maMapPhysToLinear(0x2000, 0x100, &handle), 0u);
  EXPECT_EQ(lib_.maGetLastState(nullptr), 0u);
}

TEST_F(TesselLibraryTest, MapAndUnmapThroughTheDriver) {
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  std::uint32_t handle = 0;
  const std::uint32_t linear = lib_.maMapPhysToLinear(0xFEBF0040, 0x80, &handle);
  ASSERT_NE(linear, 0u);
  ASSERT_NE(handle, 0u);
  auto& views = machine_.accessDrivers.tessel->access().views;
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views.begin()->second.physical, 0xFEBF0040u);
  EXPECT_EQ(views.begin()->second.linear, linear);
  EXPECT_EQ(views.begin()->second.length, 0x80u);
  EXPECT_EQ(lib_.maUnmapPhysicalMemory(handle, linear), -1);
  EXPECT_TRUE(views.empty());
  EXPECT_EQ(lib_.maUnmapPhysicalMemory(handle, linear), 0);
  EXPECT_EQ(lib_.state(), err::kInvalidParameter);
}

TEST_F(TesselLibraryTest, PciDeviceInfoWalksEveryFunction) {
  auto host = std::make_shared<sim::PciConfigFunction>(0x8086, 0x29C0);
  auto sata = std::make_shared<sim::PciConfigFunction>(0x8086, 0x2922, 0x010601);
  auto sil = std::make_shared<sim::PciConfigFunction>(0x1095, 0x3124, 0x010400);
  auto lpc = std::make_shared<sim::PciConfigFunction>(0x8086, 0x27B8, 0x060100, 0x80);
  machine_.pci.Add(0, 0, 0, host);
  machine_.pci.Add(0, 0x1F, 0, lpc);
  machine_.pci.Add(0, 0x1F, 2, sata);
  machine_.pci.Add(4, 0, 0, sil);
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  std::uint16_t vendor = 0xFFFF, device = 0;
  std::uint32_t bus = 9, dev = 9, fn = 9;
  std::uint8_t header[64] = {};
  ASSERT_EQ(lib_.maGetPCIDeviceInfo(&vendor, &device, 3, &bus, &dev, &fn, header), 1);
  EXPECT_EQ(vendor, 0x1095);
  EXPECT_EQ(device, 0x3124);
  EXPECT_EQ(bus, 4u);
  EXPECT_EQ(dev, 0u);
  EXPECT_EQ(fn, 0u);
  EXPECT_EQ(header[11], 0x01);  // class: mass storage
  vendor = 0xFFFF;
  ASSERT_EQ(lib_.maGetPCIDeviceInfo(&vendor, &device, 2, &bus, &dev, &fn, nullptr), 1);
  EXPECT_EQ(vendor, 0x8086);
  EXPECT_EQ(device, 0x2922);
  EXPECT_EQ(dev, 0x1Fu);
  EXPECT_EQ(fn, 2u);
  // No fifth function, and no such device: -1, the ids left alone.
  vendor = 0xFFFF;
  device = 0;
  EXPECT_EQ(lib_.maGetPCIDeviceInfo(&vendor, &device, 4, nullptr, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(vendor, 0xFFFF);
  vendor = 0x1002;
  device = 0x4380;
  EXPECT_EQ(lib_.maGetPCIDeviceInfo(&vendor, &device, 0, nullptr, nullptr, nullptr, nullptr), -1);
  std::uint8_t record[100];
  std::fill(std::begin(record), std::end(record), std::uint8_t{0xAA});
  EXPECT_EQ(lib_.maFindPCIDevice(0x1002, 0x4380, 0, record), -1);
  EXPECT_EQ(record[0] | record[1] | record[2] | record[3], 0);
}

TEST_F(TesselLibraryTest, BaseAddressRecordsFollowTheRegisterKinds) {
  auto ahci = std::make_shared<sim::PciConfigFunction>(0x8086, 0x2922, 0x010601);
  ahci->SetIoBar(0, 0xD080, 8);
  ahci->SetMemoryBar(1, 0xF0000000, 0x100000, true);
  ahci->SetMemoryBar(5, 0xFEBFF800, 0x800);
  machine_.pci.Add(0, 0x1F, 0, std::make_shared<sim::PciConfigFunction>(0x8086, 0x27B8, 0x060100, 0x80));
  machine_.pci.Add(0, 0x1F, 2, ahci);
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  std::uint16_t vendor = 0x8086, device = 0x2922;
  std::vector<std::uint8_t> r(72, 0xEE);
  ASSERT_EQ(lib_.maGetDeviceBaseAddress(&vendor, &device, 0, r.data()), 1);
  // I/O: base without its low two bits, size within 16 bits.
  EXPECT_EQ(At32(r, 0), 0xD080u);
  EXPECT_EQ(At32(r, 4), 8u);
  EXPECT_EQ(At32(r, 8), 1u);
  // Memory: base without its low four bits.
  EXPECT_EQ(At32(r, 12), 0xF0000000u);
  EXPECT_EQ(At32(r, 16), 0x100000u);
  EXPECT_EQ(At32(r, 20), 0u);
  for (int i = 2; i < 5; ++i) EXPECT_EQ(At32(r, 12 * i + 8), 2u) << i;
  EXPECT_EQ(At32(r, 60), 0xFEBFF800u);
  EXPECT_EQ(At32(r, 64), 0x800u);
  EXPECT_EQ(At32(r, 68), 0u);
}

TEST_F(TesselLibraryTest, BridgesMarkTheirNonRegistersUnused) {
  auto bridge = std::make_shared<sim::PciConfigFunction>(0x8086, 0x244E, 0x060400, 1);
  bridge->SetMemoryBar(0, 0xFE000000, 0x1000);
  bridge->config[0x19] = 1;  // secondary bus: reads like a register value
  bridge->config[0x1C] = 0xF1;
  auto cardbus = std::make_shared<sim::PciConfigFunction>(0x104C, 0xAC56, 0x060700, 2);
  cardbus->SetMemoryBar(0, 0xFD000000, 0x1000);
  cardbus->config[0x24] = 0x11;  // where register 5 would be
  machine_.pci.Add(0, 0x1E, 0, bridge);
  machine_.pci.Add(1, 3, 0, cardbus);
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  std::vector<std::uint8_t> r(72);
  std::uint16_t vendor = 0x8086, device = 0x244E;
  ASSERT_EQ(lib_.maGetDeviceBaseAddress(&vendor, &device, 0, r.data()), 1);
  EXPECT_EQ(At32(r, 8), 0u);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(At32(r, 12 * i + 8), 2u) << i;
  vendor = 0x104C;
  device = 0xAC56;
  ASSERT_EQ(lib_.maGetDeviceBaseAddress(&vendor, &device, 0, r.data()), 1);
  EXPECT_EQ(At32(r, 0), 0xFD000000u);
  EXPECT_EQ(At32(r, 68), 2u);
}

TEST_F(TesselLibraryTest, SystemBufferAllocatedAndFreed) {
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  EXPECT_EQ(lib_.maFreeSystemBuffer(), 1);  // none yet
  std::uint32_t physical = 0;
  EXPECT_EQ(lib_.maAllocSystemBuffer(0x10000, &physical), 0x10000u);
  EXPECT_NE(physical, 0u);
  EXPECT_EQ(machine_.physicalMemory.allocations(), 1u);
  EXPECT_EQ(lib_.maPokeD(physical + 8, 0x01020304), -1);
  EXPECT_EQ(lib_.maPeekD(physical + 8), 0x01020304u);
  EXPECT_EQ(lib_.maFreeSystemBuffer(), 1);
  EXPECT_EQ(machine_.physicalMemory.allocations(), 0u);
  machine_.physicalMemory.failAllocations = true;
  EXPECT_EQ(lib_.maAllocSystemBuffer(0x1000, &physical), 0u);
  EXPECT_NE(lib_.state(), 0u);
}

TEST_F(TesselLibraryTest, VersionPlatformAndServiceRemoval) {
  EXPECT_EQ(lib_.maGetVersion(), 320);
  EXPECT_EQ(lib_.maIsWinNT(), -1);
  EXPECT_EQ(lib_.maIsWin64(), 0);
  EXPECT_EQ(lib_.maControlService(), 0);
  ASSERT_EQ(lib_.maOpenLibrary(), -1);
  lib_.maCloseLibrary();
  EXPECT_EQ(lib_.maRemoveService(), -1);
  EXPECT_EQ(machine_.services.Find("TESSEL"), nullptr);
  EXPECT_EQ(lib_.maRemoveService(), 0);
  EXPECT_EQ(lib_.state(), kErrorServiceDoesNotExist);
}

class TesselLibraryOn64Bit : public TesselLibraryTest {
 protected:
  TesselLibraryOn64Bit() : TesselLibraryTest(sim::Windows::Win7X64) {}
};

TEST_F(TesselLibraryOn64Bit, ReportsWow64) { EXPECT_EQ(lib_.maIsWin64(), -1); }

class TesselLibraryOn9x : public TesselLibraryTest {
 protected:
  TesselLibraryOn9x() : TesselLibraryTest(sim::Windows::Win98Se) {}
};

TEST_F(TesselLibraryOn9x, NoServicesAndNoVxdToOpen) {
  EXPECT_EQ(lib_.maIsWinNT(), 0);
  EXPECT_EQ(lib_.maInstallService(), 0);
  EXPECT_EQ(lib_.maRemoveService(), 0);
  EXPECT_EQ(lib_.maOpenLibrary(), 0);
  EXPECT_NE(lib_.state(), 0u);
  EXPECT_EQ(lib_.maUnmapPhysicalMemory(1, 2), -1);
}

}  // namespace
}  // namespace qz::tessel
