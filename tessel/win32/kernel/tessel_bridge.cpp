// The portable request handling inside the kernel image: the machine accessor forwards to the
// C glue, the device object is constant-initialised (no start-up code runs in a driver).
#include "tessel/driver/tessel_device.hpp"
#include "tessel/win32/kernel/tessel_hw.h"

namespace {

class KernelMachineAccess final : public qz::tessel::MachineAccess {
 public:
  constexpr KernelMachineAccess() = default;
  bool ReadPhysical(std::uint32_t address, std::uint32_t width, std::uint32_t& value) override {
    unsigned v = 0;
    const bool ok = QzReadPhysical(address, width, &v) != 0;
    value = v;
    return ok;
  }
  bool WritePhysical(std::uint32_t address, std::uint32_t width, std::uint32_t value) override {
    return QzWritePhysical(address, width, value) != 0;
  }
  std::uint32_t ReadConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                           std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length) override {
    return QzReadConfig(bus, slot, function, offset, buffer, length);
  }
  std::uint32_t WriteConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                            std::uint32_t offset, const std::uint8_t* buffer,
                            std::uint32_t length) override {
    return QzWriteConfig(bus, slot, function, offset, buffer, length);
  }
  bool MapView(std::uint32_t physical, std::uint32_t length, std::uint64_t& view,
               std::uint32_t& linear) override {
    unsigned long long v = 0;
    unsigned l = 0;
    const bool ok = QzMapView(physical, length, &v, &l) != 0;
    view = v;
    linear = l;
    return ok;
  }
  void UnmapView(std::uint64_t process, std::uint64_t view) override { QzUnmapView(process, view); }
  std::uint64_t CurrentProcess() override { return QzCurrentProcess(); }
  std::uint64_t ReferenceCurrentProcess() override { return QzReferenceCurrentProcess(); }
  void ReleaseProcess(std::uint64_t process) override { QzReleaseProcess(process); }
  bool AllocateCommonBuffer(std::uint32_t size, std::uint64_t& physical,
                            std::uint64_t& kernelAddress) override {
    unsigned long long p = 0, k = 0;
    const bool ok = QzAllocateCommonBuffer(size, &p, &k) != 0;
    physical = p;
    kernelAddress = k;
    return ok;
  }
  void FreeCommonBuffer() override { QzFreeCommonBuffer(); }
};

constinit KernelMachineAccess gAccess;
constinit qz::tessel::TesselDevice gDevice(gAccess);

std::uint64_t Owner(void* fileObject) {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(fileObject));
}

}  // namespace

extern "C" long QzTesselRequest(void* owner, unsigned long code, unsigned char* buffer,
                                unsigned long inLength, unsigned long outLength,
                                unsigned long* information) {
  const qz::kstatus::Reply reply = gDevice.Handle(Owner(owner), static_cast<std::uint32_t>(code), buffer,
                                                  static_cast<std::uint32_t>(inLength),
                                                  static_cast<std::uint32_t>(outLength));
  *information = reply.information;
  return reply.status;
}

extern "C" void QzTesselCleanup(void* owner) { gDevice.Cleanup(Owner(owner)); }

extern "C" void QzTesselRelease(void) { gDevice.Release(); }

extern "C" void __cxa_pure_virtual() {}
