#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>

#include "tests/transport/named_results.hpp"
#include "transport/transport_choice.hpp"

namespace qz {
namespace {

constexpr std::uint8_t kSata = 11, kAtaBus = 3, kScsi = 1, kUsb = 7, kRaid = 8;
constexpr TransportKind kAta = TransportKind::AtaPassThrough;
constexpr TransportKind kIde = TransportKind::IdePassThrough;
constexpr TransportKind kScsiBlock = TransportKind::ScsiPassThrough;
constexpr TransportKind kMiniport = TransportKind::Miniport;

OsVersionCode Os(std::uint32_t family, std::uint32_t servicePack = 0) {
  return family << 24 | 0x00010000u | servicePack << 12;
}

// One choice: the system, the drive's bus type and the miniport's version if asked.
struct ChoiceCase {
  const char* name;
  OsVersionCode os;
  std::uint8_t busType;
  std::optional<pass_through::CmdIdeVersion> miniport;
  TransportKind expected;
};

void ExpectChoices(std::initializer_list<ChoiceCase> cases) {
  for (const ChoiceCase& c : cases) {
    EXPECT_EQ(ChooseTransportKind(c.os, c.busType, c.miniport), c.expected) << c.name;
  }
}

TEST(TransportChoice, ByWindowsFamilyAndServicePack) {
  ExpectChoices({
      {"XP", Os(0x07, 0), kSata, std::nullopt, kIde},
      {"XP SP1", Os(0x07, 1), kSata, std::nullopt, kIde},
      {"XP SP2", Os(0x07, 2), kSata, std::nullopt, kAta},
      {"XP SP3", Os(0x07, 3), kAtaBus, std::nullopt, kAta},
      {"2000 SP4", Os(0x06, 4), kAtaBus, std::nullopt, kIde},
      {"Server 2003", Os(0x08, 0), kSata, std::nullopt, kAta},
      {"Vista", Os(0x0A, 0), kSata, std::nullopt, kAta},
      {"Windows 7", Os(0x0E, 1), kSata, std::nullopt, kAta},
      {"Windows 8", Os(0x0F), kSata, std::nullopt, kAta},
      {"Windows 8.1", Os(0x10), kSata, std::nullopt, kAta},
      {"Windows 10", Os(0x11), kAtaBus, std::nullopt, kAta},
      {"Windows 11", Os(0x12), kSata, std::nullopt, kAta},
      {"unknown", 0, kSata, std::nullopt, kIde},
      {"Windows 7 on RAID", 0x0E00F000u, kRaid, std::nullopt, kAta},
      // 64-bit XP is classified as family 7 with service pack bits of its own.
      {"XP x64", 0x07012001u, kSata, std::nullopt, kAta},
  });
}

TEST(TransportChoice, UsbAndScsiBusTypesTakeTheVendorBlockEverywhere) {
  for (OsVersionCode os : {Os(0x06), Os(0x07, 1), Os(0x07, 3), Os(0x0A), Os(0x0E), OsVersionCode{0}}) {
    EXPECT_EQ(ChooseTransportKind(os, kUsb, std::nullopt), kScsiBlock) << std::hex << os;
    EXPECT_EQ(ChooseTransportKind(os, kScsi, std::nullopt), kScsiBlock) << std::hex << os;
  }
}

TEST(TransportChoice, SiliconImageMiniportFromVersionTwoPointTwo) {
  using V = pass_through::CmdIdeVersion;
  ExpectChoices({
      {"2.2 on SCSI", Os(0x0E), kScsi, V{2, 2}, kMiniport},
      {"2.2 on XP SP1", Os(0x07, 1), kSata, V{2, 2}, kMiniport},
      {"3.0 on USB", Os(0x0E), kUsb, V{3, 0}, kMiniport},
      {"2.10", Os(0x0E), kSata, V{2, 10}, kMiniport},
      // 2.1 keeps what the earlier rules gave.
      {"2.1 on SCSI", Os(0x0E), kScsi, V{2, 1}, kScsiBlock},
      {"2.1 on XP SP1", Os(0x07, 1), kSata, V{2, 1}, kIde},
      {"1.9", Os(0x0E), kSata, V{1, 9}, kAta},
      {"failed query", Os(0x0E), kSata, V{0, 0}, kAta},
  });
}

TEST(LocationPort, DecimalTextsOnly) {
  EXPECT_EQ(LocationPortNumber("0"), 0u);
  EXPECT_EQ(LocationPortNumber("2"), 2u);
  EXPECT_EQ(LocationPortNumber("5.1"), 5u);
  EXPECT_EQ(LocationPortNumber("12."), 12u);
  EXPECT_EQ(LocationPortNumber("1.2.3"), 0u);
  EXPECT_EQ(LocationPortNumber("Bus Number 1, Target Id 0, LUN 0"), 0u);
  EXPECT_EQ(LocationPortNumber("Primary channel"), 0u);
  EXPECT_EQ(LocationPortNumber(""), 0u);
  EXPECT_EQ(LocationPortNumber("."), 0u);
  EXPECT_EQ(LocationPortNumber("99999999999"), 0u);
}

}  // namespace
}  // namespace qz
