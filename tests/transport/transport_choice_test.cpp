#include <gtest/gtest.h>

#include "transport/transport_choice.hpp"

namespace qz {
namespace {

constexpr std::uint8_t kSata = 11, kAta = 3, kScsi = 1, kUsb = 7, kRaid = 8;

OsVersionCode Os(std::uint32_t family, std::uint32_t servicePack = 0) {
  return family << 24 | 0x00010000u | servicePack << 12;
}

TEST(TransportChoice, ByWindowsFamilyAndServicePack) {
  EXPECT_EQ(ChooseTransportKind(Os(0x07, 0), kSata, std::nullopt), 2);  // XP
  EXPECT_EQ(ChooseTransportKind(Os(0x07, 1), kSata, std::nullopt), 2);  // XP SP1
  EXPECT_EQ(ChooseTransportKind(Os(0x07, 2), kSata, std::nullopt), 1);  // XP SP2
  EXPECT_EQ(ChooseTransportKind(Os(0x07, 3), kAta, std::nullopt), 1);   // XP SP3
  EXPECT_EQ(ChooseTransportKind(Os(0x06, 4), kAta, std::nullopt), 2);   // 2000 SP4
  EXPECT_EQ(ChooseTransportKind(Os(0x08, 0), kSata, std::nullopt), 1);  // Server 2003
  EXPECT_EQ(ChooseTransportKind(Os(0x0A, 0), kSata, std::nullopt), 1);  // Vista
  EXPECT_EQ(ChooseTransportKind(Os(0x0E, 1), kSata, std::nullopt), 1);  // Windows 7
  EXPECT_EQ(ChooseTransportKind(Os(0x0F), kSata, std::nullopt), 1);     // Windows 8
  EXPECT_EQ(ChooseTransportKind(Os(0x10), kSata, std::nullopt), 1);     // Windows 8.1
  EXPECT_EQ(ChooseTransportKind(Os(0x11), kAta, std::nullopt), 1);      // Windows 10
  EXPECT_EQ(ChooseTransportKind(Os(0x12), kSata, std::nullopt), 1);     // Windows 11
  EXPECT_EQ(ChooseTransportKind(0, kSata, std::nullopt), 2);            // unknown
  EXPECT_EQ(ChooseTransportKind(0x0E00F000u, kRaid, std::nullopt), 1);
  // 64-bit XP is classified as family 7 with service pack bits of its own.
  EXPECT_EQ(ChooseTransportKind(0x07012001u, kSata, std::nullopt), 1);
}

TEST(TransportChoice, UsbAndScsiBusTypesTakeTheVendorBlockEverywhere) {
  for (OsVersionCode os : {Os(0x06), Os(0x07, 1), Os(0x07, 3), Os(0x0A), Os(0x0E), OsVersionCode{0}}) {
    EXPECT_EQ(ChooseTransportKind(os, kUsb, std::nullopt), 3) << std::hex << os;
    EXPECT_EQ(ChooseTransportKind(os, kScsi, std::nullopt), 3) << std::hex << os;
  }
}

TEST(TransportChoice, SiliconImageMiniportFromVersionTwoPointTwo) {
  using V = pass_through::CmdIdeVersion;
  EXPECT_EQ(ChooseTransportKind(Os(0x0E), kScsi, V{2, 2}), 4);
  EXPECT_EQ(ChooseTransportKind(Os(0x07, 1), kSata, V{2, 2}), 4);
  EXPECT_EQ(ChooseTransportKind(Os(0x0E), kUsb, V{3, 0}), 4);
  EXPECT_EQ(ChooseTransportKind(Os(0x0E), kSata, V{2, 10}), 4);
  // 2.1 keeps what the earlier rules gave.
  EXPECT_EQ(ChooseTransportKind(Os(0x0E), kScsi, V{2, 1}), 3);
  EXPECT_EQ(ChooseTransportKind(Os(0x07, 1), kSata, V{2, 1}), 2);
  EXPECT_EQ(ChooseTransportKind(Os(0x0E), kSata, V{1, 9}), 1);
  EXPECT_EQ(ChooseTransportKind(Os(0x0E), kSata, V{0, 0}), 1);  // failed query
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
