// The option digits: shipped values, flags and numbers, and malformed digits.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "updater/package_options.hpp"

namespace qz {
namespace {

struct Block {
  Block() {
    PackageBlock embedded = EmbeddedPackageBlock();
    bytes.assign(embedded.bytes().begin(), embedded.bytes().end());
  }
  // All digits "0" except the given ones (numbered from 1).
  void Digits(std::initializer_list<std::pair<int, char>> set) {
    std::fill_n(bytes.begin() + pkg::kOptionDigits, 31, '0');
    for (auto [n, value] : set) bytes[pkg::kOptionDigits + static_cast<std::size_t>(n - 1)] = static_cast<std::uint8_t>(value);
  }
  PackageOptions Read() { return ReadPackageOptions(PackageBlock(bytes)); }
  std::vector<std::uint8_t> bytes;
};

TEST(PackageOptions, ShippedDigits) {
  Block b;
  const PackageOptions o = b.Read();
  EXPECT_EQ(o.Language, 0);
  EXPECT_FALSE(o.AutoUpdate);
  EXPECT_EQ(o.NoticeMode, 0);
  EXPECT_EQ(o.PackageCount, 1);
  EXPECT_TRUE(o.ListEligibleOnly);
  EXPECT_FALSE(o.CheckBattery);
  EXPECT_TRUE(o.UpdateBoot);
  EXPECT_FALSE(o.SkipAdminCheck);
  EXPECT_FALSE(o.AutoCloseMessages);
  EXPECT_FALSE(o.UnattendedRun);
  EXPECT_EQ(o.AutoCloseSeconds, 2);
  EXPECT_EQ(o.PackageMode, 0);
  EXPECT_FALSE(HasLongRevisions(PackageBlock(b.bytes)));
}

TEST(PackageOptions, EachDigitLandsInItsOption) {
  Block b;
  b.Digits({{1, '2'}, {7, '1'}, {9, '3'}, {10, '0'}, {12, '0'}, {21, '9'}, {22, '9'},
            {25, '4'}, {27, '0'}, {28, '0'}});
  const PackageOptions o = b.Read();
  EXPECT_EQ(o.Language, 2);
  EXPECT_TRUE(o.AutoUpdate);
  EXPECT_EQ(o.NoticeMode, 3);
  EXPECT_EQ(o.PackageCount, 0);
  EXPECT_FALSE(o.ListEligibleOnly);
  EXPECT_FALSE(o.CheckBattery);
  EXPECT_TRUE(o.UpdateBoot);       // digit 21 is 9
  EXPECT_TRUE(o.SkipAdminCheck);   // digit 22 is 9
  EXPECT_TRUE(o.AutoCloseMessages);// digit 25 is 4
  EXPECT_FALSE(o.UnattendedRun);
  EXPECT_EQ(o.AutoCloseSeconds, 0);

  b.Digits({{1, '1'}, {9, '1'}, {10, '6'}, {12, '5'}, {19, '7'}, {25, '0'}, {27, '3'},
            {28, '8'}});
  const PackageOptions p = b.Read();
  EXPECT_EQ(p.Language, 1);
  EXPECT_TRUE(p.SecondLanguage());
  EXPECT_EQ(p.NoticeMode, 1);
  EXPECT_EQ(p.PackageCount, 6);
  EXPECT_TRUE(p.ListEligibleOnly);  // digit 12 is 5
  EXPECT_TRUE(p.CheckBattery);      // digit 19 is 7
  EXPECT_FALSE(p.AutoCloseMessages);
  EXPECT_TRUE(p.UnattendedRun);
  EXPECT_EQ(p.AutoCloseSeconds, 8);
}

TEST(PackageOptions, MalformedDigitsAndCounts) {
  Block b;
  b.Digits({{1, 'A'}, {7, 'x'}, {9, '?'}, {10, '7'}, {12, '.'}, {19, '%'}, {25, 'Z'},
            {27, ' '}, {28, ':'}});
  const PackageOptions o = b.Read();
  EXPECT_EQ(o.Language, 0);
  EXPECT_FALSE(o.AutoUpdate);
  EXPECT_EQ(o.NoticeMode, 0);
  EXPECT_EQ(o.PackageCount, 0);  // 7: more packages than the block holds
  EXPECT_FALSE(o.ListEligibleOnly);
  EXPECT_FALSE(o.CheckBattery);
  EXPECT_FALSE(o.UnattendedRun);
  EXPECT_EQ(o.AutoCloseSeconds, 0);
  EXPECT_EQ(OptionDigitValue('9'), 9);
  EXPECT_EQ(OptionDigitValue('/'), 0);
  EXPECT_EQ(OptionDigitValue(':'), 0);
}

TEST(PackageOptions, PackageModeIsASignedByte) {
  Block b;
  b.bytes[pkg::kPackageMode] = 0xFD;
  EXPECT_EQ(b.Read().PackageMode, -3);
  b.bytes[pkg::kPackageMode] = 5;
  EXPECT_EQ(b.Read().PackageMode, 5);
}

}  // namespace
}  // namespace qz
