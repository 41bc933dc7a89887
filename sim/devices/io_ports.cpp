#include "sim/devices/io_ports.hpp"

namespace qz::sim {

void IoPorts::Claim(std::uint16_t first, std::uint16_t count, std::shared_ptr<PortHandler> handler) {
  ranges_[first] = {count, std::move(handler)};
}

PortHandler* IoPorts::Find(std::uint16_t port) {
  auto it = ranges_.upper_bound(port);
  if (it == ranges_.begin()) return nullptr;
  --it;
  if (port >= it->first + it->second.first) return nullptr;
  return it->second.second.get();
}

std::uint32_t IoPorts::In(std::uint16_t port, std::uint32_t width) {
  PortHandler* h = Find(port);
  const std::uint32_t allOnes = width >= 4 ? 0xFFFFFFFFu : ((1u << (8 * width)) - 1);
  const std::uint32_t value = h ? (h->In(port, width) & allOnes) : allOnes;
  log.push_back({false, port, width, value});
  return value;
}

void IoPorts::Out(std::uint16_t port, std::uint32_t width, std::uint32_t value) {
  log.push_back({true, port, width, value});
  if (PortHandler* h = Find(port)) h->Out(port, width, value);
}

}  // namespace qz::sim
