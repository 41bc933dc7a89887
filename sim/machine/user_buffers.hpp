#pragma once
// Caller buffers that requests name by address. A simulated process cannot hand the storage
// stack a host pointer inside a 32-bit field, so it registers the buffer and sends a token.
#include <cstdint>
#include <map>
#include <optional>

#include "platform/buffer_address_api.hpp"

namespace qz::sim {

class UserBuffers final : public BufferAddressApi {
 public:
  std::uint32_t AddressOf(Bytes buffer) override;
  void Release(std::uint32_t address) override { buffers_.erase(address); }
  // The registered buffer at `address` when it holds at least `length` bytes.
  std::optional<Bytes> Resolve(std::uint32_t address, std::uint32_t length) const;
  std::size_t Outstanding() const { return buffers_.size(); }

 private:
  std::map<std::uint32_t, Bytes> buffers_;
  std::uint32_t next_ = 0x00A10000;
};

}  // namespace qz::sim
