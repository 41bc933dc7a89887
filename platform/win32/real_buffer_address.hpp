#pragma once
// The buffer's own address. A 64-bit process has no 32-bit address to give.
#include <cstdint>

#include "platform/buffer_address_api.hpp"

namespace qz {

class RealBufferAddress final : public BufferAddressApi {
 public:
  std::uint32_t AddressOf(Bytes buffer) override {
    if constexpr (sizeof(void*) == 4) {
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(buffer.data()));
    } else {
      return 0;
    }
  }
  void Release(std::uint32_t) override {}
};

}  // namespace qz
