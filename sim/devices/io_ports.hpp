#pragma once
// The machine's I/O port space: devices claim ranges; unclaimed ports read all ones.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace qz::sim {

class PortHandler {
 public:
  virtual ~PortHandler() = default;
  virtual std::uint32_t In(std::uint16_t port, std::uint32_t width) = 0;
  virtual void Out(std::uint16_t port, std::uint32_t width, std::uint32_t value) = 0;
};

class IoPorts {
 public:
  struct Access {
    bool write;
    std::uint16_t port;
    std::uint32_t width, value;
  };

  void Claim(std::uint16_t first, std::uint16_t count, std::shared_ptr<PortHandler> handler);
  std::uint32_t In(std::uint16_t port, std::uint32_t width);
  void Out(std::uint16_t port, std::uint32_t width, std::uint32_t value);

  std::vector<Access> log;  // every access, in order

 private:
  PortHandler* Find(std::uint16_t port);
  std::map<std::uint16_t, std::pair<std::uint16_t, std::shared_ptr<PortHandler>>> ranges_;
};

}  // namespace qz::sim
