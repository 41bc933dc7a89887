// The SiI3124 transport: commands through slot 0 of a SiI3124 port, with the request block and the data in
// simulated physical memory; the card's simulation decodes the block with its own offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/little_endian.hpp"
#include "tests/transport/direct_rig.hpp"
#include "transport/physical_copy.hpp"
#include "transport/sil3124_transport.hpp"

namespace qz {
namespace {

using sim::Sil3124Controller;
using test::Sil3124Rig;

constexpr std::uint32_t kPort = 3;

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return le::Load32(b.data() + at);
}

bool Wrote(const std::vector<Sil3124Controller::Access>& log, std::uint32_t offset,
           std::uint32_t value) {
  return std::any_of(log.begin(), log.end(), [&](const Sil3124Controller::Access& a) {
    return a.write && a.offset == offset && a.value == value;
  });
}

std::ptrdiff_t IndexOf(const std::vector<Sil3124Controller::Access>& log, bool write,
                       std::uint32_t offset) {
  const auto it = std::find_if(log.begin(), log.end(), [&](const Sil3124Controller::Access& a) {
    return a.write == write && a.offset == offset;
  });
  return it == log.end() ? -1 : it - log.begin();
}

struct Sil3124Commands : ::testing::Test {
  Sil3124Rig rig;
  AtaCommandDevice device{rig.System(), rig.Disks()};
  Sil3124Controller::Port* port = nullptr;
  std::uint32_t portBase = 0;

  void SetUp() override {
    ASSERT_GE(rig.SelectCardDrive(device, kPort), 0);
    portBase = static_cast<std::uint32_t>(rig.controller->PortBase(kPort));
    ASSERT_EQ(device.PortRegBase(), portBase);
    port = &rig.controller->port(kPort);
  }

  // The request block as it lies in physical memory.
  std::vector<std::uint8_t> BlockAt(std::uint32_t address) {
    std::vector<std::uint8_t> b(48);
    for (std::uint32_t i = 0; i < 48; ++i) {
      b[i] = static_cast<std::uint8_t>(rig.machine.physicalMemory.Read(address + i, 1));
    }
    return b;
  }
};

TEST_F(Sil3124Commands, IdentifyReturnsTheDrivesOwnBlock) {
  auto drive = rig.CardDrive(kPort);
  const auto expected = test::IdentifyOf(*drive);
  const std::uint32_t requests = rig.machine.accessDrivers.tessel->requests;
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
  EXPECT_EQ(drive->CountCommands(0xEC), 1u);
  ASSERT_EQ(port->requests.size(), 1u);
  const auto& r = port->requests[0];
  EXPECT_EQ(r.address, portBase + Sil3124Controller::kLocalRam);
  EXPECT_EQ(r.command.direction, sim::AtaLinkDirection::In);
  EXPECT_EQ(r.command.length, 512u);
  EXPECT_EQ(r.command.registers[6], 0xEC);
  EXPECT_EQ(r.command.registers[1], 1);
  // The port's interrupts were off while the command ran, and are back on afterwards.
  EXPECT_EQ(r.interruptEnable, 0u);
  EXPECT_EQ(port->interruptEnable, 0x000F0001u);
  // The data went through the system buffer, which is given back.
  EXPECT_GE(r.sgAddress, 0x1F000000u);
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 0u);
  EXPECT_EQ(port->interruptStatus & 0x10000u, 0u);
  // The SiI3124 way returns no registers.
  EXPECT_EQ(device.OutputTaskFile, TaskFile{});
  RecordProperty("driver_requests",
                 static_cast<int>(rig.machine.accessDrivers.tessel->requests - requests));
}

TEST_F(Sil3124Commands, NoDataCommandBuildsAReadBlockWithTheGivenCount) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.controller->Attach(kPort, link);
  TaskFile t{0x5A, 0x07, 0x11, 0x22, 0x33, 0xE0, 0xEF, 0};  // SET FEATURES
  std::uint32_t length = 512;
  ASSERT_EQ(device.SendCommand(t, device.GetDataBuffer(), nullptr, 0, length), 0);
  EXPECT_EQ(length, 512u);
  ASSERT_EQ(port->requests.size(), 1u);
  const auto b = BlockAt(static_cast<std::uint32_t>(port->requests[0].address));
  EXPECT_EQ(le::Load16(b.data()), 1);      // protocol override
  EXPECT_EQ(le::Load16(b.data() + 2), 0x08);   // read
  EXPECT_EQ(Le32(b, 4), 0u);
  const std::vector<std::uint8_t> fis(b.begin() + 8, b.begin() + 28);
  const std::vector<std::uint8_t> expectedFis = {0x27, 0x80, 0xEF, 0x5A, 0x11, 0x22, 0x33,
                                                 0xE0, 0,    0,    0,    0,    0x07, 0,
                                                 0,    0,    0,    0,    0,    0};
  EXPECT_EQ(fis, expectedFis);
  EXPECT_EQ(Le32(b, 28), 0u);
  EXPECT_GE(Le32(b, 32), 0x1F000000u);
  EXPECT_EQ(Le32(b, 36), 0u);
  EXPECT_EQ(Le32(b, 40), 512u);
  EXPECT_EQ(Le32(b, 44), 0x80000000u);
  ASSERT_EQ(link->seen.size(), 1u);
  EXPECT_EQ(link->seen[0].direction, sim::AtaLinkDirection::None);
}

TEST_F(Sil3124Commands, LongCommandCarriesThePreviousBytesInTheFis) {
  const TaskFile t{0x01, 0x02, 0x03, 0x04, 0x05, 0x40, 0x24, 0};
  const TaskFile p{0x11, 0x12, 0x13, 0x14, 0x15, 0x00, 0x00, 0};
  std::vector<std::uint8_t> buffer(512);
  std::uint32_t length = 512;
  device.SendCommand(t, Bytes(buffer), &p, 2, length);
  ASSERT_EQ(port->requests.size(), 1u);
  const auto b = BlockAt(static_cast<std::uint32_t>(port->requests[0].address));
  EXPECT_EQ(b[8 + 8], 0x13);
  EXPECT_EQ(b[8 + 9], 0x14);
  EXPECT_EQ(b[8 + 10], 0x15);
  EXPECT_EQ(b[8 + 11], 0x11);
  EXPECT_EQ(b[8 + 12], 0x02);
  EXPECT_EQ(b[8 + 13], 0x12);
  EXPECT_EQ(port->requests[0].command.previous, (std::array<std::uint8_t, 5>{0x11, 0x12, 0x13, 0x14, 0x15}));
}

TEST_F(Sil3124Commands, DataOutGoesThroughTheSystemBuffer) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.controller->Attach(kPort, link);
  std::vector<std::uint8_t> block(1024);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i ^ 0x5C);
  TaskFile t;
  t.SectorCount = 2;
  t.Command = 0x30;
  std::uint32_t length = 1024;
  ASSERT_EQ(device.SendCommand(t, Bytes(block), nullptr, 4, length), 0);
  ASSERT_EQ(link->received.size(), 1u);
  EXPECT_EQ(link->received[0], block);
  EXPECT_EQ(port->requests[0].protocol, 0x10);
  EXPECT_EQ(port->requests[0].sgCount, 1024u);
}

TEST_F(Sil3124Commands, TimeOutStillCleansUpButKeepsTheSystemBuffer) {
  port->neverCompletes = true;
  const std::uint32_t mask = port->interruptEnable;
  device.SetTimeout(0.05f);
  const std::int64_t start = rig.machine.clock.Ticks();
  EXPECT_EQ(device.Identify(), command_result::kTimeout);
  const auto waited = static_cast<double>(rig.machine.clock.Ticks() - start) / sim::VirtualClock::kFrequency;
  EXPECT_GE(waited, 0.05);
  EXPECT_LT(waited, 0.06);
  EXPECT_TRUE(Wrote(port->log, 0x1008, 0x10000));
  EXPECT_TRUE(Wrote(port->log, 0x1010, mask));
  EXPECT_EQ(port->interruptEnable, mask);
  // Slot 0 is still active: the buffer its request names must stay the port's.
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 1u);
  EXPECT_TRUE(std::none_of(rig.physical.calls.begin(), rig.physical.calls.end(),
                           [](const std::string& c) { return c == "maFreeSystemBuffer"; }));
  EXPECT_EQ(IndexOf(port->log, false, 0x1024), -1);  // no error register on a time-out
  // Restoring the mask is the last register write.
  EXPECT_EQ(port->log.back().offset, 0x1010u);
  EXPECT_EQ(device.CommandTimer.LapStart, 0);
}

TEST(Sil3124TimeOut, TheKeptBufferIsNeverReusedNorFreedThatRun) {
  Sil3124Rig rig;
  {
    AtaCommandDevice device(rig.System(), rig.Disks());
    ASSERT_GE(rig.SelectCardDrive(device, kPort), 0);
    auto& port = rig.controller->port(kPort);
    port.neverCompletes = true;
    device.SetTimeout(0.01f);
    ASSERT_EQ(device.Identify(), command_result::kTimeout);
    const std::size_t calls = rig.physical.calls.size();
    // Neither the same port (slot 0 still active) nor another one (the same system buffer):
    // nothing is allocated, freed, written or activated.
    port.neverCompletes = false;
    port.log.clear();
    EXPECT_EQ(device.Identify(), command_result::kFailure);
    EXPECT_TRUE(port.log.empty());
    ASSERT_GE(rig.SelectCardDrive(device, 1), 0);
    EXPECT_EQ(device.Identify(), command_result::kFailure);
    EXPECT_TRUE(rig.controller->port(1).log.empty());
    EXPECT_EQ(rig.physical.calls.size(), calls);
    EXPECT_EQ(port.requests.size(), 1u);
    EXPECT_EQ(rig.machine.physicalMemory.allocations(), 1u);
  }
  // The release leaves the driver, and with it the buffer, in place until the restart.
  EXPECT_NE(rig.machine.accessDrivers.tessel, nullptr);
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 1u);
}

TEST_F(Sil3124Commands, SlotAlreadyBusyIsNeitherActivatedNorFreed) {
  port->slotStatus = 1;  // a command the port is running for someone else
  EXPECT_EQ(device.Identify(), command_result::kFailure);
  EXPECT_TRUE(port->requests.empty());
  EXPECT_TRUE(std::none_of(port->log.begin(), port->log.end(),
                           [](const Sil3124Controller::Access& a) { return a.write; }));
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 1u);
}

TEST_F(Sil3124Commands, SlowCompletionIsWaitedForWithSleeps) {
  port->busyMilliseconds = 30;
  device.SetTimeout(1.0f);
  const std::int64_t start = rig.machine.clock.Ticks();
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  const auto waited = static_cast<double>(rig.machine.clock.Ticks() - start) / sim::VirtualClock::kFrequency;
  EXPECT_GE(waited, 0.03);
  const auto polls = std::count_if(port->log.begin(), port->log.end(),
                                   [](const auto& a) { return !a.write && a.offset == 0x1800; });
  EXPECT_GE(polls, 30);
  EXPECT_LE(polls, 32);  // one reading per millisecond slept
}

TEST_F(Sil3124Commands, CommandErrorWithItsInterruptIsADriveError) {
  rig.controller->Attach(kPort, std::make_shared<test::RecordingLink>());
  port->forcedError = 1;
  EXPECT_EQ(device.Identify(), command_result::kDriveError);
  // The error bit was sampled before the completion was acknowledged.
  const auto sample = IndexOf(port->log, false, 0x1008);
  const auto ack = IndexOf(port->log, true, 0x1008);
  ASSERT_GE(sample, 0);
  EXPECT_LT(sample, ack);
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 0u);
}

TEST_F(Sil3124Commands, CommandErrorWithoutItsInterruptIsAFailure) {
  port->forcedError = 26;
  port->errorWithoutInterrupt = true;
  EXPECT_EQ(device.Identify(), command_result::kFailure);
}

TEST_F(Sil3124Commands, DriveAbortIsADriveError) {
  TaskFile t;
  t.Command = 0xE4;  // READ BUFFER without its signature
  std::uint32_t length = 512;
  EXPECT_EQ(device.SendCommand(t, device.GetDataBuffer(), nullptr, 2, length), 1);
  EXPECT_EQ(port->commandError, 1u);
}

TEST_F(Sil3124Commands, StateErrorWhileWritingTheRequestBlock) {
  const std::uint32_t a = portBase + Sil3124Controller::kLocalRam;
  rig.access().failAccess = [&](std::uint32_t address, bool write) { return write && address == a + 8; };
  const std::uint32_t mask = port->interruptEnable;
  EXPECT_EQ(device.Identify(), command_result::kFailure);
  EXPECT_EQ(device.PhysicalLoader->LastState, 1450u);
  EXPECT_STREQ(device.PhysicalLoader->StateText.data(), "An unexpected error occured");
  EXPECT_TRUE(port->requests.empty());  // never activated
  EXPECT_EQ(IndexOf(port->log, true, 0x1C04), -1);
  EXPECT_EQ(port->interruptEnable, mask);
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 0u);
  // The copy stopped at the failing word.
  EXPECT_EQ(rig.machine.physicalMemory.Read(a + 12, 4), 0u);
}

TEST_F(Sil3124Commands, StateErrorWhileReadingTheData) {
  rig.access().failAccess = [](std::uint32_t address, bool write) {
    return !write && address >= 0x1F000000u && address < 0x20000000u;
  };
  EXPECT_EQ(device.Identify(), command_result::kFailure);
  EXPECT_EQ(device.PhysicalLoader->LastState, 1450u);
  EXPECT_EQ(port->requests.size(), 1u);
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 0u);
}

TEST_F(Sil3124Commands, StateErrorWhileWritingTheData) {
  rig.access().failAccess = [](std::uint32_t address, bool write) {
    return write && address >= 0x1F000000u && address < 0x20000000u;
  };
  std::vector<std::uint8_t> block(512, 0x77);
  TaskFile t;
  t.Command = 0xE8;
  std::uint32_t length = 512;
  EXPECT_EQ(device.SendCommand(t, Bytes(block), nullptr, 4, length), command_result::kFailure);
  EXPECT_EQ(device.PhysicalLoader->LastState, 1450u);
  EXPECT_TRUE(port->requests.empty());
  // Failed before the interrupt mask was touched.
  EXPECT_EQ(IndexOf(port->log, false, 0x1010), -1);
  EXPECT_EQ(rig.machine.physicalMemory.allocations(), 0u);
}

TEST_F(Sil3124Commands, UnsafeRequestBlockAddressIsRefused) {
  rig.machine.physicalMemory.AddRam(0x00100000, 0x1000);  // plain RAM the card does not own
  const std::uint32_t windowEnd = Sil3124Rig::kPortWindow + 4 * Sil3124Controller::kPortBlockSize;
  const std::uint32_t otherPort = static_cast<std::uint32_t>(rig.controller->PortBase(1));
  for (std::uint32_t address :
       {0u, portBase + 0x104u, 0x00100000u, windowEnd - 40u, 0x1F000000u,
        // the card's own memory, but not this port's: another port's slots
        otherPort + Sil3124Controller::kLocalRam, otherPort + 0x1C00u,
        // straddling the end of this port's window
        portBase + Sil3124Controller::kPortBlockSize - 40u,
        // a block whose end wraps past 4 GiB
        0xFFFFFFF8u,
        // this port's own registers: interrupt status, the block's address at + 0x40, the
        // slot status, the activation, and a block running from slot memory into them
        portBase + 0x1000u, portBase + 0x18u, portBase + 0x1800u, portBase + 0x1BF8u,
        portBase + 0xFF8u}) {
    port->requestBlockAddress = address;
    port->log.clear();
    EXPECT_EQ(device.Identify(), command_result::kFailure) << std::hex << address;
    // Only the address was read; nothing else of the port was touched.
    ASSERT_EQ(port->log.size(), 1u) << std::hex << address;
    EXPECT_FALSE(port->log[0].write);
    EXPECT_EQ(port->log[0].offset, 0x40u);
    EXPECT_EQ(rig.machine.physicalMemory.allocations(), 0u);
    EXPECT_EQ(rig.machine.physicalMemory.Read(0x00100000, 4), 0u);
  }
  EXPECT_TRUE(port->requests.empty());
}

TEST_F(Sil3124Commands, CopyThatWouldWrapPast4GiBMovesNothing) {
  rig.machine.physicalMemory.AddRam(0, 0x1000);
  const std::vector<std::uint8_t> block(16, 0xAB);
  std::vector<std::uint8_t> back(16, 0x5A);
  const std::uint32_t requests = rig.machine.accessDrivers.tessel->requests;
  // Two words below 4 GiB, two that would land at physical address 0.
  EXPECT_FALSE(CopyToPhysical(*device.PhysicalLoader, 0xFFFFFFF8u, block));
  EXPECT_FALSE(CopyFromPhysical(*device.PhysicalLoader, 0xFFFFFFF8u, back));
  EXPECT_EQ(rig.machine.accessDrivers.tessel->requests, requests);
  EXPECT_EQ(rig.machine.physicalMemory.Read(0, 4), 0u);
  EXPECT_EQ(back, std::vector<std::uint8_t>(16, 0x5A));
  // Ending exactly at 4 GiB is whole.
  EXPECT_TRUE(CopyToPhysical(*device.PhysicalLoader, 0xFFFFFFF0u, block));
  EXPECT_EQ(rig.machine.accessDrivers.tessel->requests, requests + 4);  // one per word
}

TEST_F(Sil3124Commands, RequestBlockPastTheDataInTheSystemBufferIsAccepted) {
  port->requestBlockAddress = 0x1F000000u + 0x8000u;
  const auto expected = test::IdentifyOf(*rig.CardDrive(kPort));
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
  EXPECT_EQ(port->requests[0].address, 0x1F008000u);
}

TEST_F(Sil3124Commands, TransfersTheSystemBufferCannotHoldAreRefused) {
  std::vector<std::uint8_t> big(0x20000);
  TaskFile t;
  t.Command = 0x20;
  std::uint32_t length = 0x10200;
  const std::uint32_t requests = rig.machine.accessDrivers.tessel->requests;
  EXPECT_EQ(device.SendCommand(t, Bytes(big), nullptr, 2, length), command_result::kFailure);
  length = 1024;
  EXPECT_EQ(device.SendCommand(t, Bytes(big.data(), 512), nullptr, 2, length), command_result::kFailure);
  length = 510;
  EXPECT_EQ(device.SendCommand(t, Bytes(big), nullptr, 2, length), command_result::kFailure);
  // A no-data command's length still goes into the scatter-gather entry.
  t.Command = 0xEF;
  length = 0x10004;
  EXPECT_EQ(device.SendCommand(t, Bytes(big), nullptr, 0, length), command_result::kFailure);
  length = 1024;
  EXPECT_EQ(device.SendCommand(t, Bytes(big.data(), 512), nullptr, 0, length), command_result::kFailure);
  EXPECT_EQ(rig.machine.accessDrivers.tessel->requests, requests);
  EXPECT_TRUE(port->log.empty());
}

TEST(Sil3124Transport, LibraryNotLoadedTouchesNothing) {
  Sil3124Rig rig;
  rig.machine.files.FailCreate(rig.machine.SystemDirectory() + "\\tessel.dll");
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_EQ(device.PhysicalLoader->Loaded, 0);
  ASSERT_GE(rig.SelectCardDrive(device, kPort), 0);
  const std::size_t calls = rig.physical.calls.size();
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  EXPECT_EQ(rig.physical.calls.size(), calls);
  EXPECT_TRUE(rig.controller->port(kPort).log.empty());

  // The transport on its own says the same.
  Sil3124Transport transport(device.PhysicalLoader.get(), device.CommandTimer, rig.api, 1.0f,
                             device.PortRegBase());
  EXPECT_EQ(transport.Send(TaskFile{}, device.GetDataBuffer(), nullptr, 2, 512), 255);
  Sil3124Transport none(nullptr, device.CommandTimer, rig.api, 1.0f, device.PortRegBase());
  EXPECT_EQ(none.Send(TaskFile{}, device.GetDataBuffer(), nullptr, 2, 512), 255);
  EXPECT_EQ(rig.physical.calls.size(), calls);
}

}  // namespace
}  // namespace qz
