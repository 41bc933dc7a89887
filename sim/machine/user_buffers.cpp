#include "sim/machine/user_buffers.hpp"

namespace qz::sim {

std::uint32_t UserBuffers::AddressOf(Bytes buffer) {
  if (buffer.empty()) return 0;
  const std::uint32_t address = next_;
  next_ += 0x10000;  // far apart, so an address off by a little resolves to nothing
  buffers_[address] = buffer;
  return address;
}

std::optional<Bytes> UserBuffers::Resolve(std::uint32_t address, std::uint32_t length) const {
  auto it = buffers_.find(address);
  if (it == buffers_.end() || it->second.size() < length) return std::nullopt;
  return it->second;
}

}  // namespace qz::sim
