// The drive protocol's requests as bytes (a recording native API that keeps each request) and
// its conversation with a simulated drive.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "bootflash/drive_protocol.hpp"
#include "platform/little_endian.hpp"
#include "sim/devices/sample_firmware.hpp"
#include "sim/os/sim_native.hpp"

namespace qz::bootflash {
namespace {

// Keeps every pass-through request and answers with a chosen status register.
struct RecordingNt {
  std::vector<std::vector<std::uint8_t>> requests;
  std::vector<std::string> shown;
  std::uint8_t statusRegister = 0x50;
  NtStatus result = nt_status::kSuccess;
  std::uint32_t statusOffset = 38;
  std::uint8_t fill = 0x5A;  // data-in bytes

  NtStatus DeviceIoControlFile(NativeHandle, std::uint32_t code, void* in, std::uint32_t inLength,
                               void* out, std::uint32_t outLength, std::uint32_t& returned) {
    EXPECT_EQ(code, 0x4D02Cu);
    EXPECT_EQ(in, out);
    EXPECT_EQ(inLength, outLength);
    auto* bytes = static_cast<std::uint8_t*>(in);
    requests.emplace_back(bytes, bytes + inLength);
    bytes[statusOffset] = statusRegister;
    std::memset(bytes + inLength - 512, fill, 512);
    returned = outLength;
    return result;
  }
  NtStatus DisplayString(const char16_t* text) {
    shown.push_back(sim::Narrow(std::u16string(text)));
    return 0;
  }
};

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return le::Load32(b.data() + at);
}

class ProtocolBytes : public ::testing::Test {
 protected:
  ProtocolBytes() { std::memset(state.get(), 0, sizeof(FlasherState)); }
  std::unique_ptr<FlasherState> state = std::make_unique<FlasherState>();
  RecordingNt nt;
};

TEST_F(ProtocolBytes, The32BitHeaderIs40BytesWithTheTaskFileAt32) {
  DriveProtocol<RecordingNt> protocol(nt, *state, kAtaHeader32);
  nt.statusOffset = 38;
  for (std::size_t i = 0; i < 512; ++i) state->workBuffer[i] = static_cast<std::uint8_t>(i);
  const TaskRegs regs{0xFC, 1, 2, 3, 4, 0xA0, 0xFF};
  ASSERT_EQ(protocol.SendAtaCommand(0, regs, 512, kDirectionOut, 30), kAtaOk);
  const auto& r = nt.requests.at(0);
  ASSERT_EQ(r.size(), 552u);
  EXPECT_EQ(le::Load16(r.data()), 40);  // Length
  EXPECT_EQ(le::Load16(r.data() + 2), 5);   // DRDY_REQUIRED | DATA_OUT
  EXPECT_EQ(r[4] + r[5] + r[6] + r[7], 0);
  EXPECT_EQ(U32(r, 8), 512u);   // DataTransferLength
  EXPECT_EQ(U32(r, 12), 30u);   // TimeOutValue
  EXPECT_EQ(U32(r, 16), 0u);
  EXPECT_EQ(U32(r, 20), 40u);   // DataBufferOffset
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 24, r.begin() + 32), std::vector<std::uint8_t>(8, 0));
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 32, r.begin() + 40),
            (std::vector<std::uint8_t>{0xFC, 1, 2, 3, 4, 0xA0, 0xFF, 0}));
  for (std::size_t i = 0; i < 512; ++i) ASSERT_EQ(r[40 + i], static_cast<std::uint8_t>(i));
}

TEST_F(ProtocolBytes, The64BitHeaderIs48BytesWithAWideDataOffset) {
  DriveProtocol<RecordingNt> protocol(nt, *state, kAtaHeader64);
  nt.statusOffset = 46;
  const TaskRegs regs{0, 1, 0, 0, 0, 0, 0xEC};
  ASSERT_TRUE(protocol.IdentifyDrive(0, state->drives[0].model, state->drives[0].revision));
  const auto& r = nt.requests.at(0);
  ASSERT_EQ(r.size(), 560u);
  EXPECT_EQ(le::Load16(r.data()), 48);
  EXPECT_EQ(le::Load16(r.data() + 2), 3);   // DRDY_REQUIRED | DATA_IN
  EXPECT_EQ(U32(r, 8), 512u);
  EXPECT_EQ(U32(r, 12), 30u);
  EXPECT_EQ(U32(r, 20), 0u);          // padding before the 8-byte offset
  EXPECT_EQ(U32(r, 24), 48u);
  EXPECT_EQ(U32(r, 28), 0u);
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 40, r.begin() + 48),
            (std::vector<std::uint8_t>{0, 1, 0, 0, 0, 0, 0xEC, 0}));
  EXPECT_TRUE(std::all_of(r.begin() + 48, r.end(), [](auto b) { return b == 0; }));
  (void)regs;
  // The data-in bytes are kept in the read buffer.
  EXPECT_EQ(state->readBuffer[0], 0x5A);
  EXPECT_EQ(state->readBuffer[511], 0x5A);
}

TEST_F(ProtocolBytes, OnlyFeatures7IsJudgedByItsStatusRegister) {
  DriveProtocol<RecordingNt> protocol(nt, *state, kAtaHeader32);
  std::vector<std::uint8_t> image(1024, 0x11);
  state->image = image.data();
  state->chunkPointer = image.data();
  nt.statusRegister = 0x51;
  EXPECT_EQ(protocol.SendAtaCommand(0, TaskRegs{0x03, 1, 0, 0, 0, 0xA0, 0x92}, 512, kDirectionOut, 30),
            kAtaOk);
  EXPECT_EQ(protocol.SendAtaCommand(0, TaskRegs{0x07, 1, 0, 0, 0, 0xA0, 0x92}, 512, kDirectionOut, 30),
            kAtaFailed);
  EXPECT_EQ(protocol.SendAtaCommand(0, TaskRegs{0x07, 1, 0, 0, 0, 0, 0xFF}, 512, kDirectionIn, 30),
            kAtaFailed);
  nt.statusRegister = 0x50;
  EXPECT_EQ(protocol.SendAtaCommand(0, TaskRegs{0x07, 1, 0, 0, 0, 0xA0, 0x92}, 512, kDirectionOut, 30),
            kAtaOk);
  nt.result = nt_status::kIoTimeout;
  EXPECT_EQ(protocol.SendAtaCommand(0, TaskRegs{0x03, 1, 0, 0, 0, 0xA0, 0x92}, 512, kDirectionOut, 30),
            kAtaFailed);
}

TEST_F(ProtocolBytes, ADownloadBlockEndingWithTheErrorBitStopsTheDownload) {
  DriveProtocol<RecordingNt> protocol(nt, *state, kAtaHeader32);
  std::vector<std::uint8_t> image(1024, 0x11);
  state->image = image.data();
  state->fileLength = 1024;
  // Any status with ERR, not only 0x51: nothing after the first block, no trigger.
  nt.statusRegister = 0x41;
  EXPECT_FALSE(protocol.DownloadFirmware(0));
  EXPECT_EQ(nt.requests.size(), 1u);
  nt.requests.clear();
  nt.statusRegister = 0x50;
  EXPECT_TRUE(protocol.DownloadFirmware(0));
  EXPECT_EQ(nt.requests.size(), 3u);  // two blocks and the trigger
}

TEST_F(ProtocolBytes, IdentifyUnswapsModelAndRevision) {
  DriveProtocol<RecordingNt> protocol(nt, *state, kAtaHeader32);
  nt.fill = ' ';
  std::uint8_t model[24], revision[8];
  ASSERT_TRUE(protocol.IdentifyDrive(0, model, revision));
  EXPECT_EQ(std::string(model, model + 24), std::string(24, ' '));
  nt.result = nt_status::kIoDeviceError;
  EXPECT_FALSE(protocol.IdentifyDrive(0, model, revision));
}

TEST(EepromTable, PagesMapToSelectorAndIndex) {
  struct Case {
    std::uint32_t address;
    std::uint8_t selector, index;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 0},        {511, 0, 0},      {512, 0, 1},
                                         {12287, 0, 23},   {12288, 1, 0},    {16383, 1, 7},
                                         {16384, 2, 0},    {0x4048, 2, 0},   {20479, 2, 7},
                                         {20480, 3, 0},    {39935, 40, 0},   {39936, 41, 0},
                                         {80895, 41, 79},  {80896, 42, 0},   {146431, 42, 127},
                                         {146432, 43, 0},  {1000000, 43, 0}}) {
    const EepromLocation at = EepromLocationOf(c.address);
    EXPECT_EQ(at.selector, c.selector) << c.address;
    EXPECT_EQ(at.index, c.index) << c.address;
  }
}

// Against a simulated drive, through the simulated native API's pass-through decoding.
class ProtocolOnDrive : public ::testing::TestWithParam<sim::CallerBits> {
 protected:
  ProtocolOnDrive() {
    std::memset(state.get(), 0, sizeof(FlasherState));
    drive = std::make_shared<sim::AtaDrive>(
        sim::AtaDrive::Identity{"VORTANIX QRX-480T9A", "S1", "VRDB", "VRDB-2"});
    machine.physicalDrives.push_back(drive);
    NativeHandle h = 0;
    EXPECT_EQ(nt.CreateFile(h, 0xC0100000u, u"\\??\\PhysicalDrive0", 0x240, 0x80, 3, 1, 0x20), 0);
    state->drives[0].handle = h;
    image.assign(kImageBufferSize + kImageBufferSlack, 0);
    state->image = image.data();
  }
  const AtaHeaderLayout& Header() const {
    return GetParam() == sim::CallerBits::X64 ? kAtaHeader64 : kAtaHeader32;
  }
  void Load(const std::vector<std::uint8_t>& firmware) {
    std::copy(firmware.begin(), firmware.end(), image.begin());
    state->fileLength = static_cast<std::uint32_t>(firmware.size());
  }

  sim::Machine machine;
  sim::SimNative nt{machine, GetParam()};
  std::unique_ptr<FlasherState> state = std::make_unique<FlasherState>();
  std::vector<std::uint8_t> image;
  std::shared_ptr<sim::AtaDrive> drive;
};

TEST_P(ProtocolOnDrive, IdentifyReadsTheDrivesTexts) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  std::uint8_t model[24], revision[8];
  ASSERT_TRUE(protocol.IdentifyDrive(0, model, revision));
  EXPECT_EQ(std::string(model, model + 24), "VORTANIX QRX-480T9A     ");
  EXPECT_EQ(std::string(revision, revision + 8), "VRDB    ");
}

TEST_P(ProtocolOnDrive, DownloadsWholeBlocksAndActivates) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  Load(sim::MakeSampleFirmware({}));
  EXPECT_TRUE(protocol.DownloadFirmware(0));
  EXPECT_EQ(drive->CountCommands(0x92, 0x03), 512u);
  ASSERT_EQ(drive->Activations().size(), 1u);
  EXPECT_TRUE(drive->Activations()[0].accepted);
  EXPECT_EQ(nt.Console(), "STARTING FLASH ...\n" + std::string(16, '.') + "\nTRIGGER ...");
}

TEST_P(ProtocolOnDrive, APartialLastBlockIsSentWholeAndOnlyTheDrivesCheckRefusesTheImage) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  std::vector<std::uint8_t> bytes(513, 0x33);
  Load(bytes);
  EXPECT_FALSE(protocol.DownloadFirmware(0));  // not an image the drive accepts
  ASSERT_EQ(drive->CountCommands(0x92, 0x03), 2u);
  const auto& last = drive->Log()[1];
  EXPECT_EQ(last.in.lbaMid, 1);
  EXPECT_EQ(last.data.size(), 512u);
  EXPECT_EQ(last.data[0], 0x33);
  EXPECT_EQ(last.data[1], 0);  // the zeroed rest of the buffer
  EXPECT_EQ(drive->CountCommands(0x92, 0x07), 1u);
  EXPECT_EQ(drive->Revision(), "VRDB");
}

TEST_P(ProtocolOnDrive, ABlockTheDriveAbortsEndsTheDownloadWithoutATrigger) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  Load(sim::MakeSampleFirmware({}));
  drive->validatesImages = false;  // a trigger now would activate the image with its hole
  drive->InjectFault(sim::AtaFault::ErrorStatus, 0x92, 0x03, 40);
  EXPECT_FALSE(protocol.DownloadFirmware(0));
  EXPECT_EQ(drive->CountCommands(0x92, 0x03), 40u);
  EXPECT_EQ(drive->CountCommands(0x92, 0x07), 0u);
  EXPECT_TRUE(drive->Activations().empty());
  EXPECT_EQ(nt.Console(), "STARTING FLASH ...\n.\nFAIL to FLASH.\n");
  drive->PowerCycle();
  EXPECT_EQ(drive->Revision(), "VRDB");
}

TEST_P(ProtocolOnDrive, EepromBytesChangeExactlyWhereAddressed) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  for (std::uint32_t address : {0u, 511u, 12288u, 20479u, 20480u, 39935u, 39936u, 146431u}) {
    const auto before = drive->Eeprom();
    ASSERT_TRUE(protocol.WriteEepromByte(0, address, 0x3C)) << address;
    for (std::size_t a = 0; a < before.size(); ++a) {
      ASSERT_EQ(drive->Eeprom()[a], a == address ? 0x3C : before[a]) << address << " " << a;
    }
  }
  // Beyond the last page the drive aborts the read: the page it did not give is never
  // written back.
  const auto before = drive->Eeprom();
  EXPECT_FALSE(protocol.WriteEepromByte(0, 146432, 1));
  EXPECT_EQ(nt.Console(), "FAIL to READ EEPROM !\n");
  EXPECT_EQ(drive->CountCommands(0xE8), 16u);  // only the eight good cycles wrote
  EXPECT_EQ(drive->Eeprom(), before);
}

TEST_P(ProtocolOnDrive, AFailedReadTriggerSendsNothingMore) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  drive->InjectFault(sim::AtaFault::IoError, 0xE4, 0xFE, 1);
  EXPECT_FALSE(protocol.WriteEepromByte(0, 0x4048, 0));
  EXPECT_EQ(drive->Log().size(), 1u);
  EXPECT_EQ(nt.Console(), "FAIL to READ TRIGGER !\n");
}

TEST_P(ProtocolOnDrive, AnAbortedEepromReadIsNotWrittenBack) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  const auto before = drive->Eeprom();
  drive->InjectFault(sim::AtaFault::ErrorStatus, 0xE4, 2, 1);
  EXPECT_FALSE(protocol.WriteEepromByte(0, 0x4048, 0));
  EXPECT_EQ(nt.Console(), "FAIL to READ EEPROM !\n");
  EXPECT_EQ(drive->CountCommands(0xE8), 0u);
  EXPECT_EQ(drive->Eeprom(), before);
  drive->InjectFault(sim::AtaFault::ErrorStatus, 0xE4, 0xFE, 1);
  EXPECT_FALSE(protocol.WriteEepromByte(0, 0x4048, 0));
  EXPECT_EQ(drive->CountCommands(0xE4), 3u);
}

TEST_P(ProtocolOnDrive, EachEepromStepReportsItsOwnFailure) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  drive->InjectFault(sim::AtaFault::Timeout, 0xE8, 2, 1);
  EXPECT_FALSE(protocol.WriteEepromByte(0, 0x4048, 0));
  EXPECT_EQ(nt.Console(), "FAIL to WRITE EEPROM !\n");
  EXPECT_EQ(drive->Log().size(), 3u);
  drive->InjectFault(sim::AtaFault::IoError, 0xE8, 0xFE, 1);
  EXPECT_FALSE(protocol.WriteEepromByte(0, 0x4048, 0));
  EXPECT_EQ(nt.Console(), "FAIL to WRITE EEPROM !\nFAIL to WRITE TRIGGER !\n");
}

TEST_P(ProtocolOnDrive, TheExtensionQueryLeavesTheReplyInTheReadBuffer) {
  DriveProtocol<sim::SimNative> protocol(nt, *state, Header());
  const std::uint8_t params[10] = {0x0A, 0x07};
  ASSERT_TRUE(protocol.QueryFirmwareExtension(0, params, 1));
  EXPECT_EQ(std::string(state->readBuffer, state->readBuffer + 8), "VRDB-2  ");
  drive->InjectFault(sim::AtaFault::IoError, 0xFF, 0xFC, 1);
  EXPECT_FALSE(protocol.QueryFirmwareExtension(0, params, 1));
  EXPECT_EQ(nt.Console(), "FAIL to SEND VU COMMAND !\n");
  EXPECT_EQ(drive->CountCommands(0xFF, 0xFD), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, ProtocolOnDrive,
                         ::testing::Values(sim::CallerBits::X86, sim::CallerBits::X64),
                         [](const auto& param) { return std::string(sim::CallerBitsName(param.param)); });

}  // namespace
}  // namespace qz::bootflash
