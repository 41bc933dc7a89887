#include "bootflash/firmware_cipher.hpp"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <random>
#include <vector>

namespace qz::bootflash {
namespace {

using Block = std::array<std::uint8_t, 16>;

Block Hex(const char* hex) {
  Block b{};
  for (int i = 0; i < 16; ++i) {
    unsigned v = 0;
    std::sscanf(hex + 2 * i, "%2x", &v);
    b[i] = static_cast<std::uint8_t>(v);
  }
  return b;
}

// OpenSSL's AES-128-ECB without padding, the oracle for our bytes.
std::vector<std::uint8_t> OpenSslEcb(const std::uint8_t* key, const std::vector<std::uint8_t>& in,
                                     bool encrypt) {
  std::vector<std::uint8_t> out(in.size() + 16);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0, tail = 0;
  EXPECT_EQ(EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())), 1);
  EXPECT_EQ(EVP_CipherFinal_ex(ctx, out.data() + n, &tail), 1);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<std::size_t>(n + tail));
  return out;
}

TEST(FirmwareCipher, PublishedKnownAnswersBothWays) {
  struct Case {
    const char *key, *plain, *cipher;
  };
  const Case cases[] = {
      // FIPS-197 Appendix C.1 and Appendix B.
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
       "3925841d02dc09fbdc118597196a0b32"},
  };
  for (const Case& c : cases) {
    const Block key = Hex(c.key);
    FirmwareCipher cipher;
    cipher.Init(key.data());
    Block block = Hex(c.plain);
    cipher.EncryptBlock(block.data());
    EXPECT_EQ(block, Hex(c.cipher)) << c.key;
    cipher.DecryptBlock(block.data());
    EXPECT_EQ(block, Hex(c.plain)) << c.key;
  }
}

TEST(FirmwareCipher, AgreesWithOpenSslOnRandomKeysAndDataBothWays) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 16; ++round) {
    Block key;
    for (auto& b : key) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> data(16 * 37);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());

    FirmwareCipher cipher;
    cipher.Init(key.data());
    for (bool forward : {true, false}) {
      std::vector<std::uint8_t> ours(data);
      ours.resize(ours.size() + 16);  // the extra block the transform always processes
      cipher.Transform(ours.data(), data.size(), forward);
      ours.resize(data.size());
      EXPECT_EQ(ours, OpenSslEcb(key.data(), data, forward)) << "round " << round;
    }
  }
}

TEST(FirmwareCipher, ProcessedLengthAddsUpToOneBlock) {
  EXPECT_EQ(ProcessedLength(0), 16u);
  EXPECT_EQ(ProcessedLength(1), 16u);
  EXPECT_EQ(ProcessedLength(15), 16u);
  EXPECT_EQ(ProcessedLength(16), 32u);
  EXPECT_EQ(ProcessedLength(20), 32u);
  EXPECT_EQ(ProcessedLength(262144), 262160u);
  EXPECT_EQ(ProcessedLength(static_cast<size_t>(-1) - 15), 0u);  // would wrap: touch nothing
}

TEST(FirmwareCipher, TransformTouchesExactlyTheProcessedBytes) {
  FirmwareCipher cipher;
  const Block key = Hex("000102030405060708090a0b0c0d0e0f");
  cipher.Init(key.data());
  for (std::size_t length : {std::size_t{20}, std::size_t{262144}}) {
    const std::size_t n = ProcessedLength(length);
    std::vector<std::uint8_t> buffer(n + 64, 0x5A);
    cipher.Transform(buffer.data(), length, true);
    for (std::size_t i = n; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0x5A) << i;
    // The last processed block (past `length`) was transformed too.
    std::size_t changed = 0;
    for (std::size_t i = n - 16; i < n; ++i) changed += buffer[i] != 0x5A;
    EXPECT_GT(changed, 8u) << length;
  }
}

TEST(FirmwareCipher, EqualBlocksGiveEqualBlocks) {
  FirmwareCipher cipher;
  const Block key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
  cipher.Init(key.data());
  std::vector<std::uint8_t> buffer(64);
  for (int i = 0; i < 16; ++i) buffer[i] = buffer[32 + i] = static_cast<std::uint8_t>(i * 7);
  for (int i = 0; i < 16; ++i) buffer[16 + i] = static_cast<std::uint8_t>(i * 7 + 1);
  cipher.Transform(buffer.data(), 48, false);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 16, buffer.begin() + 32));
  EXPECT_FALSE(std::equal(buffer.begin(), buffer.begin() + 16, buffer.begin() + 16));
}

}  // namespace
}  // namespace qz::bootflash
