// Speed of the firmware transform on the shipped image size, beside OpenSSL's AES-128 in the
// same run. Run with OPENSSL_ia32cap="~0x200000200000000" to keep OpenSSL off AES-NI; its
// low-level AES_encrypt/AES_decrypt are the table-based implementation in any case.
#include <benchmark/benchmark.h>
#include <openssl/aes.h>
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

#include "bootflash/firmware_cipher.hpp"
#include "bootflash/firmware_key.hpp"
#include "bootflash/firmware_transform.hpp"
#include "staging/firmware_transform.hpp"

namespace {

constexpr std::size_t kImageLength = 262144;

std::vector<std::uint8_t> Image() {
  std::vector<std::uint8_t> image(qz::bootflash::ProcessedLength(kImageLength));
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31);
  return image;
}

void Report(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Ours: key, tables and schedule rebuilt on every call, then 16385 blocks.
void OursInverse(benchmark::State& state) {
  std::vector<std::uint8_t> image = Image();
  for (auto _ : state) {
    qz::staging::TransformFirmware(image.data(), kImageLength, false);
    benchmark::DoNotOptimize(image.data());
  }
  Report(state, image.size());
}

void OursForward(benchmark::State& state) {
  std::vector<std::uint8_t> image = Image();
  for (auto _ : state) {
    qz::bootflash::TransformFirmware(image.data(), kImageLength, true);
    benchmark::DoNotOptimize(image.data());
  }
  Report(state, image.size());
}

// OpenSSL's table-based AES, with its key schedule set on every call as ours is.
void OpenSslTableInverse(benchmark::State& state) {
  std::vector<std::uint8_t> image = Image();
  std::uint8_t key[16];
  qz::bootflash::BuildFirmwareKey(key);
  for (auto _ : state) {
    AES_KEY schedule;
    AES_set_decrypt_key(key, 128, &schedule);
    for (std::size_t i = 0; i < image.size(); i += 16) {
      AES_decrypt(image.data() + i, image.data() + i, &schedule);
    }
    benchmark::DoNotOptimize(image.data());
  }
  Report(state, image.size());
}

void OpenSslTableForward(benchmark::State& state) {
  std::vector<std::uint8_t> image = Image();
  std::uint8_t key[16];
  qz::bootflash::BuildFirmwareKey(key);
  for (auto _ : state) {
    AES_KEY schedule;
    AES_set_encrypt_key(key, 128, &schedule);
    for (std::size_t i = 0; i < image.size(); i += 16) {
      AES_encrypt(image.data() + i, image.data() + i, &schedule);
    }
    benchmark::DoNotOptimize(image.data());
  }
  Report(state, image.size());
}

// OpenSSL's EVP AES-128-ECB: whatever implementation OPENSSL_ia32cap leaves it.
void OpenSslEvp(benchmark::State& state, bool encrypt) {
  std::vector<std::uint8_t> image = Image();
  std::uint8_t key[16];
  qz::bootflash::BuildFirmwareKey(key);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  for (auto _ : state) {
    int n = 0;
    EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_CipherUpdate(ctx, image.data(), &n, image.data(), static_cast<int>(image.size()));
    benchmark::DoNotOptimize(image.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  Report(state, image.size());
}

}  // namespace

BENCHMARK(OursInverse)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSslTableInverse)->Unit(benchmark::kMicrosecond);
BENCHMARK(OursForward)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSslTableForward)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenSslEvp, Inverse, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OpenSslEvp, Forward, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
