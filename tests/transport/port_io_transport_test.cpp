// The port-I/O transport: commands driven through a legacy channel's task-file ports by the port-I/O library,
// against the simulated channel and the same drive that the storage stack reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/transport/direct_rig.hpp"
#include "transport/port_io_transport.hpp"

namespace qz {
namespace {

using sim::IoPorts;
using test::LegacyIdeRig;

constexpr std::uint16_t kPrimary = 0x1F0;

std::vector<std::uint8_t> Writes(const std::vector<IoPorts::Access>& log, std::uint16_t port) {
  std::vector<std::uint8_t> out;
  for (const auto& a : log) {
    if (a.write && a.port == port) out.push_back(static_cast<std::uint8_t>(a.value));
  }
  return out;
}

long double Seconds(std::int64_t ticks) {
  return static_cast<long double>(ticks) / sim::VirtualClock::kFrequency;
}

struct PortIoCommands : ::testing::Test {
  LegacyIdeRig rig;
  AtaCommandDevice device{rig.System(), rig.Disks()};
  void SetUp() override {
    ASSERT_TRUE(device.SelectDrive(0));
    ASSERT_EQ(device.IoBase(), kPrimary);
    device.UseTransport(TransportKind::PortIo);
  }
};

TEST_F(PortIoCommands, IdentifyReturnsTheDrivesOwnBlock) {
  const auto expected = test::IdentifyOf(*rig.ataDrives[0]);
  const std::size_t from = rig.machine.ioPorts.log.size();
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  const Bytes got = device.GetDataBuffer();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
  // Only the drive on the selected channel saw it, once.
  EXPECT_EQ(rig.ataDrives[0]->CountCommands(0xEC), 1u);
  EXPECT_EQ(rig.ataDrives[1]->CountCommands(0xEC), 0u);
  ASSERT_EQ(rig.primary->commands.size(), 1u);
  EXPECT_EQ(rig.primary->commands[0].unit, 0u);
  // Read back: error 0, count 1, status ready.
  EXPECT_EQ(device.OutputTaskFile.Features, 0);
  EXPECT_EQ(device.OutputTaskFile.SectorCount, 1);
  EXPECT_EQ(device.OutputTaskFile.Command, 0x50);
  EXPECT_EQ(device.OutputTaskFile.Reserved, 0);

  const auto log = rig.AccessesTo(kPrimary, from);
  const auto words = std::count_if(log.begin(), log.end(), [](const IoPorts::Access& a) {
    return !a.write && a.port == kPrimary && a.width == 2;
  });
  EXPECT_EQ(words, 256);
  // The command itself was written once, with the registers before it.
  EXPECT_EQ(Writes(log, kPrimary + 7), std::vector<std::uint8_t>{0xEC});
  EXPECT_EQ(Writes(log, kPrimary + 2), std::vector<std::uint8_t>{1});
  RecordProperty("port_accesses", static_cast<int>(log.size()));
}

TEST_F(PortIoCommands, DriveThatKeepsBusyTimesOutWithoutTheCommand) {
  rig.primary->stuckBusy = true;
  device.SetTimeout(0.5f);
  const std::int64_t start = rig.machine.clock.Ticks();
  const std::size_t from = rig.machine.ioPorts.log.size();
  EXPECT_EQ(device.Identify(), command_result::kTimeout);
  const long double waited = Seconds(rig.machine.clock.Ticks() - start);
  EXPECT_GE(waited, 0.5L);
  EXPECT_LT(waited, 0.51L);
  // Nothing written to the channel at all, and no registers read back.
  const auto log = rig.AccessesTo(kPrimary, from);
  EXPECT_FALSE(log.empty());
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const IoPorts::Access& a) { return a.write; }));
  EXPECT_EQ(device.OutputTaskFile, TaskFile{});
  EXPECT_TRUE(rig.primary->commands.empty());
}

TEST_F(PortIoCommands, CommandThatNeverCompletesTimesOutAndReadsBack) {
  rig.primary->busyMilliseconds = 500;
  device.SetTimeout(0.05f);
  EXPECT_EQ(device.Identify(), command_result::kTimeout);
  // The command went out once; the read-back saw the busy drive.
  EXPECT_EQ(rig.primary->commands.size(), 1u);
  EXPECT_EQ(device.OutputTaskFile.Command, 0x80);
}

TEST_F(PortIoCommands, DataThatNeverComesTimesOut) {
  rig.primary->withholdsData = true;
  device.SetTimeout(0.05f);
  const std::int64_t start = rig.machine.clock.Ticks();
  EXPECT_EQ(device.Identify(), command_result::kTimeout);
  EXPECT_GE(Seconds(rig.machine.clock.Ticks() - start), 0.05L);
  EXPECT_EQ(device.OutputTaskFile.Command, 0x50);  // read back: ready, no DRQ
}

TEST_F(PortIoCommands, SlowDriveIsWaitedFor) {
  rig.primary->busyReads = 40;
  rig.primary->busyMilliseconds = 20;
  device.SetTimeout(1.0f);
  const auto expected = test::IdentifyOf(*rig.ataDrives[0]);
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
}

TEST_F(PortIoCommands, DeviceRegisterAlwaysCarriesTheDriveSelect) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  TaskFile t;
  t.SectorCount = 1;
  t.LbaLow = 0x10;
  t.Device = 0xE0;  // LBA addressing, as a caller would set it
  t.Command = 0x20;
  std::uint32_t length = 512;
  const std::size_t from = rig.machine.ioPorts.log.size();
  ASSERT_EQ(device.SendCommand(t, device.GetDataBuffer(), nullptr, 2, length), 0);
  const auto selects = Writes(rig.AccessesTo(kPrimary, from), kPrimary + 6);
  ASSERT_FALSE(selects.empty());
  EXPECT_TRUE(std::all_of(selects.begin(), selects.end(), [](std::uint8_t v) { return v == 0xA0; }));
  ASSERT_EQ(link->seen.size(), 1u);
  EXPECT_EQ(link->seen[0].registers[5], 0xA0);
  EXPECT_EQ(length, 512u);
}

TEST(PortIoTransport, SlaveDriveIsSelectedWithB0) {
  LegacyIdeRig rig;
  sim::DiskSpec d;
  d.parent = rig.machine.deviceTree.Find("PCIIDE\\IDECHANNEL\\4&1F2E3D4C&0&0");
  ASSERT_GE(d.parent, 0);
  d.description.model = "VORTANIX QRX-60S3";
  d.description.serial = "QX0009";
  d.description.firmware = "VRC1";
  d.hardwareIds = {"IDE\\DiskVORTANIX_QRX-60S3", "GenDisk"};
  d.instanceId = "IDE\\DiskVORTANIX_QRX-60S3\\5&38E1C09D&0&0.1.0";
  d.friendlyName = d.description.model;
  d.port = 0;
  d.target = 1;
  d.deviceNumber = 2;
  d.busType = 3;
  sim::SimDisk& disk = sim::AddDisk(rig.machine, d);
  auto slave = test::MakeDrive(disk.description);
  rig.primary->Attach(1, std::make_shared<sim::AtaDriveLink>(slave));

  AtaCommandDevice device(rig.System(), rig.Disks());
  int index = -1;
  for (int i = 0; i < device.GetDeviceCount(); ++i) {
    if (device.GetDeviceEntry(i)->Address.TargetId == 1) index = i;
  }
  ASSERT_GE(index, 0);
  ASSERT_TRUE(device.SelectDrive(index));
  ASSERT_EQ(device.DirectMode(), TransportKind::PortIo);
  EXPECT_EQ(device.IoBase(), kPrimary);
  EXPECT_EQ(device.DriveSelect(), 0xB0);
  device.UseTransport(TransportKind::PortIo);
  const auto expected = test::IdentifyOf(*slave);
  const std::size_t from = rig.machine.ioPorts.log.size();
  ASSERT_EQ(device.Identify(), 0);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
  EXPECT_EQ(rig.ataDrives[0]->CountCommands(0xEC), 0u);  // not the master
  const auto selects = Writes(rig.AccessesTo(kPrimary, from), kPrimary + 6);
  EXPECT_TRUE(std::all_of(selects.begin(), selects.end(), [](std::uint8_t v) { return v == 0xB0; }));
}

TEST_F(PortIoCommands, NonDataCommandReturnsOnceBusyClears) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  rig.primary->busyReads = 5;
  TaskFile t;
  t.Command = 0xE7;  // FLUSH CACHE
  std::uint32_t length = 512;
  const std::size_t from = rig.machine.ioPorts.log.size();
  ASSERT_EQ(device.SendCommand(t, device.GetDataBuffer(), nullptr, 0, length), 0);
  ASSERT_EQ(link->seen.size(), 1u);
  EXPECT_EQ(link->seen[0].direction, sim::AtaLinkDirection::None);
  const auto log = rig.AccessesTo(kPrimary, from);
  // No data port access; after the command: five busy readings, the ready one, the error
  // check, then the read-back (select and seven registers).
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const IoPorts::Access& a) { return a.port == kPrimary; }));
  const auto command = std::find_if(log.begin(), log.end(), [](const IoPorts::Access& a) {
    return a.write && a.port == kPrimary + 7;
  });
  ASSERT_NE(command, log.end());
  const auto statusReads = std::count_if(command, log.end(), [](const IoPorts::Access& a) {
    return !a.write && a.port == kPrimary + 7;
  });
  EXPECT_EQ(statusReads, 5 + 1 + 1 + 1);  // the last one is the read-back's
  EXPECT_EQ(log.back().port, kPrimary + 7);
  EXPECT_EQ(device.OutputTaskFile.Command, 0x50);
}

TEST_F(PortIoCommands, LongCommandWritesHighBytesFirstPerRegister) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  const TaskFile t{0x11, 0x01, 0x13, 0x14, 0x15, 0x40, 0x24, 0};  // READ SECTORS EXT
  const TaskFile p{0x21, 0x00, 0x23, 0x24, 0x25, 0x00, 0x00, 0};
  std::uint32_t length = 512;
  const std::size_t from = rig.machine.ioPorts.log.size();
  ASSERT_EQ(device.SendCommand(t, device.GetDataBuffer(), &p, 2, length), 0);
  std::vector<std::pair<std::uint16_t, std::uint8_t>> loads;
  for (const auto& a : rig.AccessesTo(kPrimary, from)) {
    if (a.write && a.port >= kPrimary + 1 && a.port <= kPrimary + 5) {
      loads.emplace_back(a.port, static_cast<std::uint8_t>(a.value));
    }
  }
  const std::vector<std::pair<std::uint16_t, std::uint8_t>> expected = {
      {kPrimary + 1, 0x21}, {kPrimary + 1, 0x11}, {kPrimary + 2, 0x00}, {kPrimary + 2, 0x01},
      {kPrimary + 3, 0x23}, {kPrimary + 3, 0x13}, {kPrimary + 4, 0x24}, {kPrimary + 4, 0x14},
      {kPrimary + 5, 0x25}, {kPrimary + 5, 0x15}};
  EXPECT_EQ(loads, expected);
  ASSERT_EQ(link->seen.size(), 1u);
  EXPECT_TRUE(link->seen[0].is48Bit);
  EXPECT_EQ(link->seen[0].previous, (std::array<std::uint8_t, 5>{0x21, 0x00, 0x23, 0x24, 0x25}));
  EXPECT_EQ(link->seen[0].registers, (std::array<std::uint8_t, 7>{0x11, 0x01, 0x13, 0x14, 0x15, 0xA0, 0x24}));
}

TEST_F(PortIoCommands, DriveErrorIsReportedWithItsRegisters) {
  const auto before = std::vector<std::uint8_t>(device.GetDataBuffer().begin(),
                                                device.GetDataBuffer().begin() + 512);
  TaskFile t;
  t.Command = 0xE4;  // READ BUFFER without its signature: the drive aborts it
  std::uint32_t length = 512;
  EXPECT_EQ(device.SendCommand(t, device.GetDataBuffer(), nullptr, 2, length), 1);
  EXPECT_EQ(device.OutputTaskFile.Features, 0x04);
  EXPECT_EQ(device.OutputTaskFile.Command, 0x51);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), device.GetDataBuffer().begin()));
}

TEST_F(PortIoCommands, DriveOfferingMoreThanTheLengthFails) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  TaskFile t;
  t.SectorCount = 2;  // the drive will offer 1024 bytes
  t.Command = 0x20;
  std::vector<std::uint8_t> buffer(1024, 0xEE);
  std::uint32_t length = 512;
  EXPECT_EQ(device.SendCommand(t, Bytes(buffer), nullptr, 2, length), 1);
  EXPECT_EQ(length, 512u);
  for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(buffer[i], static_cast<std::uint8_t>(i * 13 + 1)) << i;
  EXPECT_TRUE(std::all_of(buffer.begin() + 512, buffer.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST_F(PortIoCommands, DriveOfferingLessThanTheLengthFails) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  TaskFile t;
  t.SectorCount = 1;  // the drive will offer 512 bytes
  t.Command = 0x20;
  std::vector<std::uint8_t> buffer(1024, 0xEE);
  std::uint32_t length = 1024;
  EXPECT_EQ(device.SendCommand(t, Bytes(buffer), nullptr, 2, length), 1);
  for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(buffer[i], static_cast<std::uint8_t>(i * 13 + 1)) << i;
  EXPECT_TRUE(std::all_of(buffer.begin() + 512, buffer.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST_F(PortIoCommands, LengthBeyondTheBufferMovesOnlyWhatFits) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  TaskFile t;
  t.SectorCount = 1;
  t.Command = 0x20;
  std::vector<std::uint8_t> storage(512 + 16, 0xEE);
  std::uint32_t length = 1024;  // claims more than the buffer holds
  EXPECT_EQ(device.SendCommand(t, Bytes(storage.data(), 256), nullptr, 2, length), 1);
  EXPECT_TRUE(std::all_of(storage.begin() + 256, storage.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST_F(PortIoCommands, DataOutReachesTheDrive) {
  auto link = std::make_shared<test::RecordingLink>();
  rig.primary->Attach(0, link);
  std::vector<std::uint8_t> block(512);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(255 - i);
  TaskFile t;
  t.Command = 0xE8;  // WRITE BUFFER
  std::uint32_t length = 512;
  ASSERT_EQ(device.SendCommand(t, Bytes(block), nullptr, 4, length), 0);
  ASSERT_EQ(link->received.size(), 1u);
  EXPECT_EQ(link->received[0], block);
}

// A drive that takes the data and then ends the command with an abort.
class RefusesTheData final : public sim::AtaLink {
 public:
  sim::AtaLinkReply Run(const sim::AtaLinkCommand& c, std::vector<std::uint8_t>&) override {
    sim::AtaLinkReply reply;
    reply.registers = c.registers;
    reply.registers[0] = 0x04;
    reply.registers[6] = 0x51;
    return reply;
  }
};

TEST_F(PortIoCommands, DataOutEndsWithTheDrivesFinalStatus) {
  // The verdict comes after the last word, once the drive is no longer busy with the data.
  const struct {
    bool refuses;
    std::uint32_t busyMilliseconds;
    std::uint8_t result;
  } cases[] = {{false, 5, 0}, {true, 0, 1}, {true, 5, 1}};
  for (const auto& c : cases) {
    if (c.refuses) {
      rig.primary->Attach(0, std::make_shared<RefusesTheData>());
    } else {
      rig.primary->Attach(0, std::make_shared<test::RecordingLink>());
    }
    rig.primary->busyMilliseconds = c.busyMilliseconds;
    std::vector<std::uint8_t> block(512, 0x3C);
    TaskFile t;
    t.Command = 0xE8;  // WRITE BUFFER
    std::uint32_t length = 512;
    EXPECT_EQ(device.SendCommand(t, Bytes(block), nullptr, 4, length), c.result)
        << c.refuses << " " << c.busyMilliseconds;
  }
}

TEST(PortIoTransport, LibraryNotLoadedTouchesNoPort) {
  LegacyIdeRig rig;
  rig.machine.files.FailCreate(rig.machine.SystemDirectory() + "\\tesselio.dll");
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_EQ(device.PortIoLoader->Loaded, 0);
  ASSERT_TRUE(device.SelectDrive(0));
  device.UseTransport(TransportKind::PortIo);
  const std::size_t from = rig.machine.ioPorts.log.size();
  const std::size_t calls = rig.portIo.calls.size();
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  EXPECT_EQ(rig.machine.ioPorts.log.size(), from);
  EXPECT_EQ(rig.portIo.calls.size(), calls);
  EXPECT_EQ(rig.ataDrives[0]->Log().size(), 0u);
}

// The transport alone, with a loader whose library is not loaded.
TEST(PortIoTransport, TransportRefusesWithoutLoadedLibrary) {
  LegacyIdeRig rig;
  AtaCommandDevice device(rig.System(), rig.Disks());
  device.PortIoLoader->Loaded = 0;
  PortIoTransport transport(device.PortIoLoader.get(), device.CommandTimer, 1.0f, kPrimary, 0xA0);
  TaskFile out{1, 2, 3, 4, 5, 6, 7, 8};
  const std::size_t from = rig.machine.ioPorts.log.size();
  EXPECT_EQ(transport.Send(TaskFile{}, device.GetDataBuffer(), nullptr, 2, 512, out), 255);
  EXPECT_EQ(rig.machine.ioPorts.log.size(), from);
  PortIoTransport none(nullptr, device.CommandTimer, 1.0f, kPrimary, 0xA0);
  EXPECT_EQ(none.Send(TaskFile{}, device.GetDataBuffer(), nullptr, 2, 512, out), 255);
}

}  // namespace
}  // namespace qz
