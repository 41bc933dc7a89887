#pragma once
// How a request names a caller's buffer by address: the direct pass-through forms carry a
// pointer to the data instead of the data. On Windows it is the buffer's address; the
// simulated machine hands out tokens that its storage stack resolves.
#include <cstdint>

#include "platform/types.hpp"

namespace qz {

class BufferAddressApi {
 public:
  virtual ~BufferAddressApi() = default;
  // The 32-bit address a request carries for `buffer`; 0 when it cannot carry one.
  virtual std::uint32_t AddressOf(Bytes buffer) = 0;
  // The request that carried `address` is done.
  virtual void Release(std::uint32_t address) = 0;
};

}  // namespace qz
