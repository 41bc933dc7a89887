#include "staging/firmware_transform.hpp"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "bootflash/firmware_cipher.hpp"
#include "bootflash/firmware_key.hpp"
#include "bootflash/firmware_transform.hpp"
#include "staging/firmware_key_tables.hpp"

namespace qz::staging {
namespace {

using Key = std::array<std::uint8_t, 16>;

Key UpdaterKey() {
  Key k{};
  BuildFirmwareKey(k.data());
  return k;
}

Key FlasherKey() {
  Key k{};
  bootflash::BuildFirmwareKey(k.data());
  return k;
}

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(random());
  return v;
}

std::vector<std::uint8_t> OpenSslEcb(const Key& key, const std::uint8_t* in, std::size_t n,
                                     bool encrypt) {
  std::vector<std::uint8_t> out(n + 16);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int len = 0;
  EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key.data(), nullptr, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_CipherUpdate(ctx, out.data(), &len, in, static_cast<int>(n)), 1);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<std::size_t>(len));
  return out;
}

TEST(FirmwareKey, BothCopiesBuildTheSameNonTrivialKey) {
  const Key updater = UpdaterKey();
  EXPECT_EQ(updater, FlasherKey());
  EXPECT_EQ(updater, UpdaterKey()) << "not repeatable";
  std::array<std::uint8_t, 16> sorted = updater;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_GE(std::unique(sorted.begin(), sorted.end()) - sorted.begin(), 12)
      << "too few distinct key bytes";
}

TEST(FirmwareTransform, UpdaterUsesTheInverseCipherAndFlasherTheForward) {
  const std::vector<std::uint8_t> image = RandomBytes(4096, 7);
  const Key key = UpdaterKey();

  std::vector<std::uint8_t> fwbin(image);
  fwbin.resize(bootflash::ProcessedLength(image.size()));
  TransformFirmware(fwbin.data(), image.size(), false);
  fwbin.resize(image.size());  // FW.bin holds `length` bytes
  EXPECT_EQ(fwbin, OpenSslEcb(key, image.data(), image.size(), false));

  std::vector<std::uint8_t> recovered(fwbin);
  recovered.resize(bootflash::ProcessedLength(fwbin.size()));
  bootflash::TransformFirmware(recovered.data(), fwbin.size(), true);
  recovered.resize(fwbin.size());
  EXPECT_EQ(recovered, OpenSslEcb(key, fwbin.data(), fwbin.size(), true));
  EXPECT_EQ(recovered, image);
}

TEST(FirmwareTransform, InverseThenForwardRestoresAllProcessedBytes) {
  for (std::size_t length : {std::size_t{20}, std::size_t{262144}}) {
    const std::size_t n = bootflash::ProcessedLength(length);
    std::vector<std::uint8_t> buffer = RandomBytes(n + 32, static_cast<unsigned>(length));
    const std::vector<std::uint8_t> original = buffer;
    TransformFirmware(buffer.data(), length, false);
    EXPECT_NE(buffer, original);
    EXPECT_TRUE(std::equal(buffer.begin() + static_cast<long>(n), buffer.end(),
                           original.begin() + static_cast<long>(n)))
        << "touched past " << n;
    EXPECT_FALSE(std::equal(buffer.begin() + static_cast<long>(n - 16),
                            buffer.begin() + static_cast<long>(n),
                            original.begin() + static_cast<long>(n - 16)))
        << "last processed block of " << length << " left alone";
    bootflash::TransformFirmware(buffer.data(), length, true);
    EXPECT_EQ(buffer, original) << length;
  }
}

TEST(FirmwareTransform, EqualImageBlocksGiveEqualFwBinBlocks) {
  std::vector<std::uint8_t> image = RandomBytes(16 * 10, 3);
  std::copy(image.begin(), image.begin() + 16, image.begin() + 16 * 7);
  TransformFirmware(image.data(), 16 * 9, false);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 16, image.begin() + 16 * 7));
  EXPECT_FALSE(std::equal(image.begin(), image.begin() + 16, image.begin() + 16));
}

TEST(FirmwareTransform, UpdateCommandAcceptsOnlyWholeBlocks) {
  EXPECT_TRUE(FirmwareImageLengthAccepted(16));
  EXPECT_TRUE(FirmwareImageLengthAccepted(262144));
  EXPECT_FALSE(FirmwareImageLengthAccepted(0));
  EXPECT_FALSE(FirmwareImageLengthAccepted(20));
  EXPECT_FALSE(FirmwareImageLengthAccepted(262143));
  EXPECT_FALSE(FirmwareImageLengthAccepted(262152));
}

}  // namespace
}  // namespace qz::staging
