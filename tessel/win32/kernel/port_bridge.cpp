// The port driver's portable request handling inside the kernel image.
#include "tessel/portio/driver/port_device.hpp"

extern "C" {
unsigned QzInPort(unsigned short port, unsigned width);
void QzOutPort(unsigned short port, unsigned width, unsigned value);
int QzReadLowMemoryWord(unsigned address, unsigned short* value);
}

namespace {

class KernelPortAccess final : public qz::portio::PortAccess {
 public:
  constexpr KernelPortAccess() = default;
  std::uint32_t ReadPort(std::uint16_t port, std::uint32_t width) override { return QzInPort(port, width); }
  void WritePort(std::uint16_t port, std::uint32_t width, std::uint32_t value) override {
    QzOutPort(port, width, value);
  }
  bool ReadLowMemoryWord(std::uint32_t address, std::uint16_t& value) override {
    unsigned short v = 0;
    const bool ok = QzReadLowMemoryWord(address, &v) != 0;
    value = v;
    return ok;
  }
};

constinit KernelPortAccess gAccess;
constinit qz::portio::PortDevice gDevice(gAccess);

}  // namespace

extern "C" long QzPortRequest(unsigned long code, unsigned char* buffer, unsigned long inLength,
                              unsigned long outLength, unsigned long* information) {
  const qz::kstatus::Reply reply = gDevice.Handle(static_cast<std::uint32_t>(code), buffer,
                                                  static_cast<std::uint32_t>(inLength),
                                                  static_cast<std::uint32_t>(outLength));
  *information = reply.information;
  return reply.status;
}

extern "C" void __cxa_pure_virtual() {}
