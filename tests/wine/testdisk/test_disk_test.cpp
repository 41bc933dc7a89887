// The test disk's drive and request decoding, fed with requests laid out by hand at the
// Windows offsets of both callers' ATA_PASS_THROUGH_EX.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "test_port.h"

namespace {

struct Layout {
  int is32;
  uint32_t size, dataOffsetAt, currentAt;
};
constexpr Layout k32{1, 40, 20, 32};
constexpr Layout k64{0, 48, 24, 40};

class Disk {
 public:
  explicit Disk(uint32_t fault = TD_FAULT_NONE, uint32_t faultBlock = 0) : disk_(new TdDisk) {
    TdSetup s{};
    s.size = sizeof s;
    s.driveNumber = 3;
    Pad(s.model, 40, "VORTANIX QRX-480T9A");
    Pad(s.serial, 20, "SN0001");
    Pad(s.revision, 8, "VRDA");
    Pad(s.extension, 8, "VRDA-1");
    s.fault = fault;
    s.faultBlock = faultBlock;
    TdDiskSetUp(disk_.get(), &s);
  }

  // One request: header at the layout's offsets, the data area right after it. Returns the
  // NTSTATUS; the buffer is kept for the reply.
  uint32_t Ata(const Layout& l, std::vector<uint8_t> regs, uint16_t flags,
               const std::vector<uint8_t>& out = {}, uint32_t inLength = 512) {
    Build(l, regs, flags, out, inLength);
    return Raw(l, static_cast<uint32_t>(buffer.size()));
  }
  void Build(const Layout& l, std::vector<uint8_t> regs, uint16_t flags,
             const std::vector<uint8_t>& out = {}, uint32_t inLength = 512) {
    const uint32_t length = flags & 0x04 ? static_cast<uint32_t>(out.size()) : inLength;
    buffer.assign(l.size + 512, 0);
    Put(0, l.size, 2);
    Put(2, flags, 2);
    Put(8, length, 4);
    Put(12, 30, 4);
    Put(l.dataOffsetAt, length ? l.size : 0, 4);
    std::memcpy(&buffer[l.currentAt], regs.data(), 7);
    if (!out.empty()) std::memcpy(&buffer[l.size], out.data(), out.size());
  }
  uint32_t Raw(const Layout& l, uint32_t bytes) {
    information = 0;
    return TdDiskControl(disk_.get(), TD_IOCTL_ATA_PASS_THROUGH, buffer.data(), bytes, bytes,
                         l.is32, &information);
  }
  uint8_t Status(const Layout& l) const { return buffer[l.currentAt + 6]; }
  uint8_t Error(const Layout& l) const { return buffer[l.currentAt]; }
  void Put(size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) buffer[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  TdDisk& operator*() { return *disk_; }

  std::vector<uint8_t> buffer;
  uint32_t information = 0;

 private:
  static void Pad(char* to, size_t n, const char* text) {
    std::memset(to, ' ', n);
    std::memcpy(to, text, std::strlen(text));
  }
  std::unique_ptr<TdDisk> disk_;
};

constexpr uint16_t kIn = 0x03, kOut = 0x05;
std::vector<uint8_t> Block(uint32_t b) { return std::vector<uint8_t>(512, static_cast<uint8_t>(b * 7 + 1)); }
std::vector<uint8_t> Download(uint32_t b) {
  return {0x03, 1, 0, static_cast<uint8_t>(b), static_cast<uint8_t>(b >> 8), 0xA0, 0x92};
}

TEST(TestDisk, TakesAWholeDownloadInEitherCallersLayout) {
  for (const Layout& l : {k32, k64}) {
    Disk d;
    ASSERT_EQ(d.Ata(l, {0, 1, 0, 0, 0, 0, 0xEC}, kIn), TD_STATUS_SUCCESS);
    EXPECT_EQ(d.information, l.size + 512);
    const uint8_t* id = &d.buffer[l.size];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(id + 54), 6), "OVTRNA");  // word 27
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(id + 46), 4), "RVAD");    // word 23
    uint8_t sum = 0;
    for (int i = 0; i < 512; ++i) sum = static_cast<uint8_t>(sum + id[i]);
    EXPECT_EQ(id[510], 0xA5);
    EXPECT_EQ(sum, 0);
    for (uint32_t b = 0; b < 512; ++b) {
      ASSERT_EQ(d.Ata(l, Download(b), kOut, Block(b)), TD_STATUS_SUCCESS);
      ASSERT_EQ(d.Status(l), 0x50) << b;
      EXPECT_EQ(d.information, l.size);
    }
    ASSERT_EQ(d.Ata(l, {0x07, 1, 0, 0x4C, 0x41, 0xA0, 0x92}, kOut, Block(0)), TD_STATUS_SUCCESS);
    EXPECT_EQ(d.Status(l), 0x50);
    EXPECT_EQ((*d).drive.activated, 1u);
    EXPECT_EQ((*d).drive.triggerMid, 0x4Cu);
    for (uint32_t b = 0; b < 512; ++b) ASSERT_EQ((*d).drive.image[b * 512 + 5], Block(b)[0]);
    ASSERT_EQ((*d).logCount, 514u);
    const TdLogEntry& e = (*d).log[512];
    EXPECT_EQ(e.layout, l.is32 ? 32 : 64);
    EXPECT_EQ(e.regs[3], 0xFF);
    EXPECT_EQ(e.regs[4], 0x01);
    EXPECT_EQ(e.dataOffset, l.size);
    EXPECT_EQ(e.result[6], 0x50);
  }
}

TEST(TestDisk, RefusesAHeaderNotOfTheCallersLayout) {
  Disk d;
  // A 64-bit header from a 32-bit caller, and the other way round.
  d.Build(k64, Download(0), kOut, Block(0));
  EXPECT_EQ(d.Raw(k32, static_cast<uint32_t>(d.buffer.size())), TD_STATUS_INVALID_PARAMETER);
  d.Build(k32, Download(0), kOut, Block(0));
  EXPECT_EQ(d.Raw(k64, static_cast<uint32_t>(d.buffer.size())), TD_STATUS_INVALID_PARAMETER);
  // Data that would start inside the header or end past the buffer.
  d.Build(k32, Download(0), kOut, Block(0));
  d.Put(20, 32, 4);
  EXPECT_EQ(d.Raw(k32, static_cast<uint32_t>(d.buffer.size())), TD_STATUS_INVALID_PARAMETER);
  d.Put(20, 41, 4);
  EXPECT_EQ(d.Raw(k32, static_cast<uint32_t>(d.buffer.size())), TD_STATUS_INVALID_PARAMETER);
  EXPECT_EQ((*d).drive.nextBlock, 0u);
  EXPECT_EQ((*d).logCount, 4u);
  EXPECT_EQ((*d).log[0].ntStatus, TD_STATUS_INVALID_PARAMETER);
}

TEST(TestDisk, AbortsWhatARealDriveWould) {
  Disk d(TD_FAULT_ABORT_BLOCK, 2);
  EXPECT_EQ(d.Ata(k64, {0x07, 1, 0, 0, 0, 0xA0, 0x92}, kOut, Block(0)), TD_STATUS_SUCCESS);
  EXPECT_EQ(d.Status(k64), 0x51);  // a trigger with nothing downloaded
  EXPECT_EQ(d.Error(k64), 0x04);
  d.Ata(k64, Download(1), kOut, Block(1));
  EXPECT_EQ(d.Status(k64), 0x51);  // out of sequence
  d.Ata(k64, Download(0), kOut, Block(0));
  d.Ata(k64, Download(1), kOut, Block(1));
  EXPECT_EQ(d.Status(k64), 0x50);
  d.Ata(k64, Download(2), kOut, Block(2));
  EXPECT_EQ(d.Status(k64), 0x51);  // the block the test aborts
  d.Ata(k64, {0x07, 1, 0, 0x4C, 0x41, 0xA0, 0x92}, kOut, Block(0));
  EXPECT_EQ(d.Status(k64), 0x51);  // after an aborted block the image is not whole
  EXPECT_EQ((*d).drive.activated, 0u);

  Disk f;
  f.Ata(k32, Download(0), kOut, Block(0));
  f.Ata(k32, {0x07, 1, 0, 0x41, 0x4C, 0xA0, 0x92}, kOut, Block(0));
  EXPECT_EQ(f.Status(k32), 0x51);  // flag bytes swapped
  f.Ata(k32, {0x07, 1, 0, 0x4C, 0x41, 0xA0, 0x92}, kOut, Block(0));
  EXPECT_EQ(f.Status(k32), 0x50);

  Disk t(TD_FAULT_TRIGGER_ERROR);
  t.Ata(k32, Download(0), kOut, Block(0));
  t.Ata(k32, {0x07, 1, 0, 0, 0, 0xA0, 0x92}, kOut, Block(0));
  EXPECT_EQ(t.Status(k32), 0x51);
  EXPECT_EQ((*t).drive.activated, 0u);

  Disk s(TD_FAULT_SILENT_AT_BLOCK, 1);
  EXPECT_EQ(s.Ata(k32, Download(0), kOut, Block(0)), TD_STATUS_SUCCESS);
  EXPECT_EQ(s.Ata(k32, Download(1), kOut, Block(1)), TD_STATUS_IO_TIMEOUT);
  EXPECT_EQ(s.Ata(k32, {0, 1, 0, 0, 0, 0, 0xEC}, kIn), TD_STATUS_IO_TIMEOUT);
}

TEST(TestDisk, AnswersTheExtensionQueryOnlyAfterItsParameters) {
  Disk d;
  d.Ata(k32, {0xFD, 1, 0, 0, 0, 0, 0xFF}, kIn);
  EXPECT_EQ(d.Status(k32), 0x51);
  std::vector<uint8_t> params(512, 0);
  params[0] = 0x0A;
  params[1] = 0x07;
  d.Ata(k32, {0xFC, 1, 0, 0, 0, 0, 0xFF}, kOut, params);
  EXPECT_EQ(d.Status(k32), 0x50);
  d.Ata(k32, {0xFD, 1, 0, 0, 0, 0, 0xFF}, kIn);
  EXPECT_EQ(d.Status(k32), 0x50);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&d.buffer[40]), 8), "VRDA-1  ");
}

TEST(TestDisk, DescribesItselfAsAnAtaDisk) {
  Disk d;
  std::vector<uint8_t> b(256, 0);  // StorageDeviceProperty, PropertyStandardQuery
  uint32_t info = 0;
  ASSERT_EQ(TdDiskControl(&*d, TD_IOCTL_STORAGE_QUERY_PROPERTY, b.data(), 12, 256, 0, &info),
            TD_STATUS_SUCCESS);
  EXPECT_EQ(b[28], 11);  // BusType: SATA, which the flasher admits
  const uint32_t product = b[16] | b[17] << 8;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[product]), 8), "VORTANIX");
  ASSERT_EQ(TdDiskControl(&*d, TD_IOCTL_SCSI_GET_ADDRESS, b.data(), 0, 8, 0, &info),
            TD_STATUS_SUCCESS);
  EXPECT_EQ(b[4], 3);  // PortNumber
}

}  // namespace
