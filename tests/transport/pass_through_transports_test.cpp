// The pass-through transports against the simulated storage stack, which decodes every
// request from its bytes with its own reading of the Windows layouts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/text.hpp"
#include "sim/machine/machine.hpp"
#include "sim/devices/pass_through_disk.hpp"
#include "sim/os/sim_win32.hpp"
#include "tests/transport/scripted_drive.hpp"
#include "transport/pass_through_codes.hpp"
#include "transport/pass_through_transports.hpp"

namespace qz {
namespace {

using sim::AtaLinkReply;
using sim::PortDriver;

const TaskFile kIdentify{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xEC, 0x00};

class Owner final : public PassThroughOwner {
 public:
  explicit Owner(Win32Api& api) : api_(api) {}
  Handle DriveHandle() const override { return handle; }
  void Reselect() override {
    ++reselects;
    handle = api_.CreateFile(path, access::kGenericRead | access::kGenericWrite,
                             share::kRead | share::kWrite, disposition::kOpenExisting, 0);
  }
  float CommandTimeoutSeconds() const override { return timeout; }
  void DriveAddress(std::uint8_t& p, std::uint8_t& t, std::uint8_t& l) const override {
    p = pathId;
    t = targetId;
    l = 0;
  }
  void SetOutputTaskFile(const TaskFile& r) override { output = r; }
  void SetLastSystemError(std::uint32_t e) override { lastError = e; }

  std::string path = "\\\\.\\PhysicalDrive0";
  Handle handle = kInvalidHandle;
  float timeout = 20.0f;
  std::uint8_t pathId = 0, targetId = 0;
  TaskFile output{};
  std::uint32_t lastError = 0;
  int reselects = 0;

 private:
  Win32Api& api_;
};

constexpr TransportKind kAta = TransportKind::AtaPassThrough;
constexpr TransportKind kIde = TransportKind::IdePassThrough;
constexpr TransportKind kScsi = TransportKind::ScsiPassThrough;
constexpr TransportKind kMiniport = TransportKind::Miniport;

class PassThroughTest : public ::testing::Test {
 protected:
  explicit PassThroughTest(sim::Windows release = sim::Windows::Win7X86) : machine(release) {}

  void Attach(PortDriver driver) {
    disk = std::make_shared<sim::PassThroughDisk>(machine, drive, driver);
    machine.AddDevice(owner.path, disk);
    owner.Reselect();
    owner.reselects = 0;
  }
  std::uint8_t Send(TransportKind kind, const TaskFile& tf, std::uint32_t direction,
                    std::uint32_t& length, const TaskFile* previous = nullptr) {
    return transports.Send(kind, tf, data, previous, direction, length);
  }
  std::string IdentifyModel() const {
    std::string model;
    for (std::size_t i = 54; i < 54 + 40; i += 2) {
      model += static_cast<char>(data[i + 1]);
      model += static_cast<char>(data[i]);
    }
    return TrimText(model, IsSpace, TrimEnds::kRight);
  }

  sim::Machine machine;
  sim::SimWin32 api{machine, sim::Bitness::X86};
  HighResTimer timer{api};
  Owner owner{api};
  PassThroughTransports transports{api, machine.userBuffers, timer, owner};
  std::shared_ptr<test::ScriptedDrive> drive = std::make_shared<test::ScriptedDrive>();
  std::shared_ptr<sim::PassThroughDisk> disk;
  std::vector<std::uint8_t> data = std::vector<std::uint8_t>(0x40000, 0xEE);
};

TEST_F(PassThroughTest, AtaIdentifyReachesTheDriveAndReportsTheDriversCount) {
  Attach(PortDriver::StandardSata());
  owner.timeout = 3.0f;
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), 0);
  EXPECT_EQ(length, 556u);  // header included
  EXPECT_EQ(IdentifyModel(), "VORTANIX QRX-480T9A");
  EXPECT_EQ(data[512], 0xEE);  // nothing past the requested length
  ASSERT_EQ(drive->seen.size(), 1u);
  EXPECT_EQ(drive->seen[0].registers[6], 0xEC);
  EXPECT_EQ(drive->seen[0].registers[1], 1);
  EXPECT_EQ(drive->seen[0].timeoutSeconds, 3u);
  EXPECT_EQ(drive->seen[0].direction, sim::AtaLinkDirection::In);
  EXPECT_EQ(owner.output.Command, 0x50);
  EXPECT_EQ(disk->CountRequests(ioctl::kAtaPassThrough), 1u);
  EXPECT_EQ(disk->CountRequests(ioctl::kScsiRescanBus), 0u);
}

TEST_F(PassThroughTest, AtaDirectFormAboveTheBufferedLimit) {
  Attach(PortDriver::StandardSata());
  const TaskFile read{0, 2, 0x10, 0, 0, 0x40, 0x25, 0};
  const TaskFile high{0, 0, 0, 0, 0, 0, 0, 0};
  std::uint32_t length = 1024;
  EXPECT_EQ(Send(kAta, read, data_direction::kIn, length, &high), 0);
  EXPECT_EQ(length, 40u);
  EXPECT_EQ(disk->CountRequests(ioctl::kAtaPassThroughDirect), 1u);
  EXPECT_EQ(data[1023], static_cast<std::uint8_t>(1023 * 7));
  EXPECT_EQ(data[1024], 0xEE);
  EXPECT_TRUE(drive->seen[0].is48Bit);
  EXPECT_EQ(machine.userBuffers.Outstanding(), 0u);  // the address was given back
}

TEST_F(PassThroughTest, AtaDataOutCarriesTheCallersBytes) {
  Attach(PortDriver::StandardSata());
  for (std::size_t i = 0; i < 512; ++i) data[i] = static_cast<std::uint8_t>(i);
  const TaskFile write{0x03, 1, 0, 0, 0, 0, 0x92, 0};
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, write, data_direction::kOut, length), 0);
  ASSERT_EQ(drive->seen.size(), 1u);
  EXPECT_EQ(drive->seen[0].direction, sim::AtaLinkDirection::Out);
  EXPECT_EQ(drive->seen[0].registers[0], 0x03);
}

TEST_F(PassThroughTest, DriveErrorStatusGivesOne) {
  Attach(PortDriver::StandardSata());
  drive->rejectCommands = true;
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), command_result::kDriveError);
  EXPECT_EQ(owner.output.Command, 0x51);
  EXPECT_EQ(owner.output.Features, 0x04);
  EXPECT_EQ(length, 512u);
  EXPECT_EQ(Send(kIde, kIdentify, data_direction::kIn, length), command_result::kDriveError);
}

TEST_F(PassThroughTest, TimeoutIsMappedAndCostsTheRequestsTimeOut) {
  Attach(PortDriver::StandardSata());
  owner.timeout = 3.0f;
  drive->outcomes = {AtaLinkReply::Kind::Timeout};
  const auto before = machine.clock.Ticks();
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), command_result::kTimeout);
  EXPECT_EQ(owner.lastError, err::kSemTimeout);
  EXPECT_EQ(length, 512u);  // unchanged on failure
  EXPECT_GE(machine.clock.Ticks() - before, 3 * sim::VirtualClock::kFrequency);
  EXPECT_LT(machine.clock.Ticks() - before, 4 * sim::VirtualClock::kFrequency);
}

TEST_F(PassThroughTest, DeviceErrorIsAFailure) {
  Attach(PortDriver::StandardSata());
  drive->outcomes = {AtaLinkReply::Kind::IoError};
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), command_result::kFailure);
  EXPECT_EQ(owner.lastError, 1117u);
}

class PassThroughOnXpSp1 : public PassThroughTest {
 protected:
  PassThroughOnXpSp1() : PassThroughTest(sim::Windows::XpPro) {
    machine.version.servicePackMajor = 1;
    machine.version.csdVersion = "Service Pack 1";
  }
};

TEST_F(PassThroughOnXpSp1, AtaPassThroughIsNotThereButIdeIs) {
  Attach(PortDriver::StandardSata());
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), command_result::kNotSupported);
  EXPECT_EQ(owner.lastError, err::kInvalidFunction);
  EXPECT_TRUE(drive->seen.empty());
  EXPECT_EQ(Send(kIde, kIdentify, data_direction::kIn, length), 0);
  EXPECT_EQ(IdentifyModel(), "VORTANIX QRX-480T9A");
}

TEST_F(PassThroughTest, IdeIdentifyFollowsARescanAndAPause) {
  Attach(PortDriver::StandardSata());
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kIde, kIdentify, data_direction::kIn, length), 0);
  EXPECT_EQ(length, 524u);
  EXPECT_EQ(IdentifyModel(), "VORTANIX QRX-480T9A");
  const auto& requests = disk->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].code, ioctl::kScsiRescanBus);
  EXPECT_EQ(requests[1].code, ioctl::kIdePassThrough);
  EXPECT_GE(requests[1].ticks - requests[0].ticks, sim::VirtualClock::kFrequency / 2);

  // Other commands go without.
  const TaskFile flush{0, 0, 0, 0, 0, 0, 0xE7, 0};
  length = 0;
  EXPECT_EQ(Send(kIde, flush, data_direction::kNone, length), 0);
  EXPECT_EQ(disk->CountRequests(ioctl::kScsiRescanBus), 1u);
}

TEST_F(PassThroughTest, IdeRefusesMoreThanASectorWithoutTouchingTheDrive) {
  Attach(PortDriver::StandardSata());
  std::uint32_t length = 1024;
  EXPECT_EQ(Send(kIde, kIdentify, data_direction::kIn, length), command_result::kFailure);
  EXPECT_TRUE(disk->Requests().empty());
  EXPECT_EQ(length, 1024u);
}

TEST_F(PassThroughTest, ScsiVendorBlockThroughABridge) {
  Attach(PortDriver::UsbBridge());
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), command_result::kNotSupported);
  EXPECT_EQ(Send(kIde, kIdentify, data_direction::kIn, length), command_result::kNotSupported);
  EXPECT_EQ(Send(kScsi, kIdentify, data_direction::kIn, length), 0);
  EXPECT_EQ(length, 592u);
  EXPECT_EQ(IdentifyModel(), "VORTANIX QRX-480T9A");
  EXPECT_EQ(owner.output, (TaskFile{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  ASSERT_EQ(drive->seen.size(), 1u);
  EXPECT_EQ(drive->seen[0].timeoutSeconds, 20u);
}

TEST_F(PassThroughTest, ScsiDirectFormAndNoData) {
  Attach(PortDriver::UsbBridge());
  const TaskFile read{0, 4, 0, 0, 0, 0x40, 0x20, 0};
  std::uint32_t length = 2048;
  EXPECT_EQ(Send(kScsi, read, data_direction::kIn, length), 0);
  EXPECT_EQ(disk->CountRequests(ioctl::kScsiPassThroughDirect), 1u);
  EXPECT_EQ(data[2047], static_cast<std::uint8_t>(2047 * 7));
  EXPECT_EQ(machine.userBuffers.Outstanding(), 0u);

  // Without data only the 80-byte header is sent, yet it names 24 sense bytes at offset 80:
  // the port driver finds them outside the buffer and refuses the request.
  const TaskFile flush{0, 0, 0, 0, 0, 0, 0xE7, 0};
  length = 512;
  drive->seen.clear();
  EXPECT_EQ(Send(kScsi, flush, data_direction::kNone, length), command_result::kFailure);
  EXPECT_EQ(owner.lastError, err::kInvalidParameter);
  EXPECT_TRUE(drive->seen.empty());
}

TEST_F(PassThroughTest, ScsiCannotSeeADriveError) {
  Attach(PortDriver::UsbBridge());
  drive->rejectCommands = true;
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kScsi, kIdentify, data_direction::kIn, length), command_result::kSuccess);
  EXPECT_NE(IdentifyModel(), "VORTANIX QRX-480T9A");  // no identify data came back
  // A SCSI adapter that does not know the vendor block answers with sense data, and the
  // command still "succeeds".
  Attach(PortDriver::ScsiAdapter());
  drive->rejectCommands = false;
  drive->seen.clear();
  EXPECT_EQ(Send(kScsi, kIdentify, data_direction::kIn, length), command_result::kSuccess);
  EXPECT_TRUE(drive->seen.empty());
}

TEST_F(PassThroughTest, MiniportCommandAndVersion) {
  Attach(PortDriver::SiliconImage(2, 2));
  disk->pathId = 1;
  owner.pathId = 1;
  const auto version = transports.QueryCmdIdeVersion();
  EXPECT_EQ(version.major, 2);
  EXPECT_EQ(version.minor, 2);
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kMiniport, kIdentify, data_direction::kIn, length), 0);
  EXPECT_EQ(length, 584u);
  EXPECT_EQ(IdentifyModel(), "VORTANIX QRX-480T9A");
  EXPECT_EQ(drive->seen[0].timeoutSeconds, 120u);  // the device's time-out is not used
  EXPECT_EQ(owner.output.Command, 0x50);
  EXPECT_EQ(owner.output.Reserved, 0);  // the byte after the registers

  drive->outcomes = {AtaLinkReply::Kind::Timeout};
  EXPECT_EQ(Send(kMiniport, kIdentify, data_direction::kIn, length), command_result::kTimeout);
  drive->rejectCommands = true;
  EXPECT_EQ(Send(kMiniport, kIdentify, data_direction::kIn, length), command_result::kDriveError);
  // A wrong address reaches no drive.
  owner.pathId = 0;
  drive->seen.clear();
  EXPECT_EQ(Send(kMiniport, kIdentify, data_direction::kIn, length), command_result::kFailure);
  EXPECT_TRUE(drive->seen.empty());
}

TEST_F(PassThroughTest, MiniportOnAnotherControllerIsUnsupported) {
  Attach(PortDriver::StandardSata());
  const auto version = transports.QueryCmdIdeVersion();
  EXPECT_EQ(version.Value(), 0.0f);
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kMiniport, kIdentify, data_direction::kIn, length), command_result::kNotSupported);
  EXPECT_EQ(owner.output, (TaskFile{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(PassThroughTest, InvalidHandleIsReopenedOnceThenFails) {
  Attach(PortDriver::StandardSata());
  owner.handle = kInvalidHandle;
  std::uint32_t length = 512;
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), 0);
  EXPECT_EQ(owner.reselects, 1);

  owner.handle = kInvalidHandle;
  owner.path = "\\\\.\\PhysicalDrive9";  // gone
  EXPECT_EQ(Send(kAta, kIdentify, data_direction::kIn, length), command_result::kFailure);
  EXPECT_EQ(owner.reselects, 2);
  EXPECT_EQ(owner.lastError, err::kInvalidHandle);
}

TEST_F(PassThroughTest, LengthBeyondTheCallersBufferIsRefused) {
  Attach(PortDriver::StandardSata());
  std::vector<std::uint8_t> small(16);
  std::uint32_t length = 512;
  for (TransportKind kind : {kAta, kMiniport}) {
    EXPECT_EQ(transports.Send(kind, kIdentify, small, nullptr, data_direction::kIn, length),
              command_result::kFailure);
  }
  EXPECT_TRUE(disk->Requests().empty());
}

TEST_F(PassThroughTest, UnknownKindIsUnsupported) {
  Attach(PortDriver::StandardSata());
  std::uint32_t length = 512;
  // The register ways are not the storage stack's to send.
  for (TransportKind kind : {TransportKind::None, TransportKind::PortIo}) {
    EXPECT_EQ(Send(kind, kIdentify, data_direction::kIn, length), command_result::kNotSupported);
  }
  EXPECT_TRUE(disk->Requests().empty());
}

}  // namespace
}  // namespace qz
