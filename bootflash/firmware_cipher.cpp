#include "bootflash/firmware_cipher.hpp"

namespace qz::bootflash {
namespace {

inline uint8_t XTime(uint8_t b) {
  return static_cast<uint8_t>((b << 1) ^ ((b & 0x80) ? 0x1B : 0x00));
}

inline uint8_t RotateLeft8(uint8_t b, int n) {
  return static_cast<uint8_t>((b << n) | (b >> (8 - n)));
}

inline uint32_t RotateRight32(uint32_t w, int n) {
  return n == 0 ? w : (w >> n) | (w << (32 - n));
}

inline uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return (static_cast<uint32_t>(b0) << 24) | (static_cast<uint32_t>(b1) << 16) |
         (static_cast<uint32_t>(b2) << 8) | static_cast<uint32_t>(b3);
}

inline uint32_t Load(const uint8_t* p) { return Word(p[0], p[1], p[2], p[3]); }

inline void Store(uint8_t* p, uint32_t w) {
  p[0] = static_cast<uint8_t>(w >> 24);
  p[1] = static_cast<uint8_t>(w >> 16);
  p[2] = static_cast<uint8_t>(w >> 8);
  p[3] = static_cast<uint8_t>(w);
}

inline uint8_t Byte(uint32_t w, int index) { return static_cast<uint8_t>(w >> (24 - 8 * index)); }

// One column of the last round: byte i of the column taken from the i-th given word.
inline uint32_t LastRoundColumn(const uint8_t* box, uint32_t a, uint32_t b, uint32_t c,
                                uint32_t d) {
  return Word(box[Byte(a, 0)], box[Byte(b, 1)], box[Byte(c, 2)], box[Byte(d, 3)]);
}

// Multiplication in GF(2^8) through the exponent and logarithm tables.
struct FieldTables {
  uint8_t exp[256];
  uint8_t log[256];

  void Build() {
    uint8_t x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[i] = x;
      log[x] = static_cast<uint8_t>(i);
      x = static_cast<uint8_t>(x ^ XTime(x));  // times the generator 3
    }
    exp[255] = exp[0];
    log[0] = 0;  // never used: zero is handled before a lookup
  }
  uint8_t Multiply(uint8_t a, uint8_t b) const {
    if (a == 0 || b == 0) return 0;
    return exp[(log[a] + log[b]) % 255];
  }
  uint8_t Inverse(uint8_t a) const { return a == 0 ? 0 : exp[(255 - log[a]) % 255]; }
};

}  // namespace

size_t ProcessedLength(size_t length) {
  if (length > static_cast<size_t>(-1) - kCipherBlockSize) return 0;
  return (length + kCipherBlockSize) & ~(kCipherBlockSize - 1);
}

void WipeBytes(void* bytes, size_t size) {
  volatile uint8_t* p = static_cast<volatile uint8_t*>(bytes);
  for (size_t i = 0; i < size; ++i) p[i] = 0;
}

void FirmwareCipher::Init(const uint8_t* key) {
  FieldTables field;
  field.Build();

  for (int i = 0; i < 256; ++i) {
    const uint8_t b = field.Inverse(static_cast<uint8_t>(i));
    const uint8_t s = static_cast<uint8_t>(b ^ RotateLeft8(b, 1) ^ RotateLeft8(b, 2) ^
                                           RotateLeft8(b, 3) ^ RotateLeft8(b, 4) ^ 0x63);
    sbox_[i] = s;
    inv_sbox_[s] = static_cast<uint8_t>(i);
  }
  for (int i = 0; i < 256; ++i) {
    const uint8_t s = sbox_[i];
    const uint8_t t = inv_sbox_[i];
    const uint32_t f = Word(field.Multiply(s, 2), s, s, field.Multiply(s, 3));
    const uint32_t v = Word(field.Multiply(t, 14), field.Multiply(t, 9), field.Multiply(t, 13),
                            field.Multiply(t, 11));
    for (int r = 0; r < 4; ++r) {
      fwd_[r][i] = RotateRight32(f, 8 * r);
      inv_[r][i] = RotateRight32(v, 8 * r);
    }
  }
  uint8_t rc = 1;
  for (int i = 0; i < 10; ++i) {
    rcon_[i] = static_cast<uint32_t>(rc) << 24;
    rc = XTime(rc);
  }
  WipeBytes(&field, sizeof field);

  for (int i = 0; i < 4; ++i) enc_keys_[i] = Load(key + 4 * i);
  for (int i = 4; i < 44; ++i) {
    uint32_t t = enc_keys_[i - 1];
    if (i % 4 == 0) {
      t = Word(sbox_[Byte(t, 1)], sbox_[Byte(t, 2)], sbox_[Byte(t, 3)], sbox_[Byte(t, 0)]) ^
          rcon_[i / 4 - 1];
    }
    enc_keys_[i] = enc_keys_[i - 4] ^ t;
  }

  // Decryption schedule: round keys in reverse order, InvMixColumns on the inner rounds.
  for (int round = 0; round <= 10; ++round) {
    for (int c = 0; c < 4; ++c) {
      const uint32_t w = enc_keys_[4 * (10 - round) + c];
      dec_keys_[4 * round + c] =
          (round == 0 || round == 10)
              ? w
              : inv_[0][sbox_[Byte(w, 0)]] ^ inv_[1][sbox_[Byte(w, 1)]] ^
                    inv_[2][sbox_[Byte(w, 2)]] ^ inv_[3][sbox_[Byte(w, 3)]];
    }
  }
}

void FirmwareCipher::EncryptBlock(uint8_t* block) const {
  const uint32_t* rk = enc_keys_;
  uint32_t s0 = Load(block) ^ rk[0];
  uint32_t s1 = Load(block + 4) ^ rk[1];
  uint32_t s2 = Load(block + 8) ^ rk[2];
  uint32_t s3 = Load(block + 12) ^ rk[3];
  for (int round = 1; round < 10; ++round) {
    rk += 4;
    const uint32_t t0 = fwd_[0][Byte(s0, 0)] ^ fwd_[1][Byte(s1, 1)] ^ fwd_[2][Byte(s2, 2)] ^
                        fwd_[3][Byte(s3, 3)] ^ rk[0];
    const uint32_t t1 = fwd_[0][Byte(s1, 0)] ^ fwd_[1][Byte(s2, 1)] ^ fwd_[2][Byte(s3, 2)] ^
                        fwd_[3][Byte(s0, 3)] ^ rk[1];
    const uint32_t t2 = fwd_[0][Byte(s2, 0)] ^ fwd_[1][Byte(s3, 1)] ^ fwd_[2][Byte(s0, 2)] ^
                        fwd_[3][Byte(s1, 3)] ^ rk[2];
    const uint32_t t3 = fwd_[0][Byte(s3, 0)] ^ fwd_[1][Byte(s0, 1)] ^ fwd_[2][Byte(s1, 2)] ^
                        fwd_[3][Byte(s2, 3)] ^ rk[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk += 4;
  Store(block, LastRoundColumn(sbox_, s0, s1, s2, s3) ^ rk[0]);
  Store(block + 4, LastRoundColumn(sbox_, s1, s2, s3, s0) ^ rk[1]);
  Store(block + 8, LastRoundColumn(sbox_, s2, s3, s0, s1) ^ rk[2]);
  Store(block + 12, LastRoundColumn(sbox_, s3, s0, s1, s2) ^ rk[3]);
}

void FirmwareCipher::DecryptBlock(uint8_t* block) const {
  const uint32_t* rk = dec_keys_;
  uint32_t s0 = Load(block) ^ rk[0];
  uint32_t s1 = Load(block + 4) ^ rk[1];
  uint32_t s2 = Load(block + 8) ^ rk[2];
  uint32_t s3 = Load(block + 12) ^ rk[3];
  for (int round = 1; round < 10; ++round) {
    rk += 4;
    const uint32_t t0 = inv_[0][Byte(s0, 0)] ^ inv_[1][Byte(s3, 1)] ^ inv_[2][Byte(s2, 2)] ^
                        inv_[3][Byte(s1, 3)] ^ rk[0];
    const uint32_t t1 = inv_[0][Byte(s1, 0)] ^ inv_[1][Byte(s0, 1)] ^ inv_[2][Byte(s3, 2)] ^
                        inv_[3][Byte(s2, 3)] ^ rk[1];
    const uint32_t t2 = inv_[0][Byte(s2, 0)] ^ inv_[1][Byte(s1, 1)] ^ inv_[2][Byte(s0, 2)] ^
                        inv_[3][Byte(s3, 3)] ^ rk[2];
    const uint32_t t3 = inv_[0][Byte(s3, 0)] ^ inv_[1][Byte(s2, 1)] ^ inv_[2][Byte(s1, 2)] ^
                        inv_[3][Byte(s0, 3)] ^ rk[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  rk += 4;
  Store(block, LastRoundColumn(inv_sbox_, s0, s3, s2, s1) ^ rk[0]);
  Store(block + 4, LastRoundColumn(inv_sbox_, s1, s0, s3, s2) ^ rk[1]);
  Store(block + 8, LastRoundColumn(inv_sbox_, s2, s1, s0, s3) ^ rk[2]);
  Store(block + 12, LastRoundColumn(inv_sbox_, s3, s2, s1, s0) ^ rk[3]);
}

void FirmwareCipher::Transform(uint8_t* buffer, size_t length, bool forward) const {
  const size_t n = ProcessedLength(length);
  for (size_t offset = 0; offset + kCipherBlockSize <= n; offset += kCipherBlockSize) {
    if (forward) {
      EncryptBlock(buffer + offset);
    } else {
      DecryptBlock(buffer + offset);
    }
  }
}

void FirmwareCipher::Wipe() { WipeBytes(this, sizeof *this); }

}  // namespace qz::bootflash
