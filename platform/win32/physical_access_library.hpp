#pragma once
// tessel.dll bound with LoadLibrary and GetProcAddress.
#include "platform/physical_access_api.hpp"

namespace qz {

class PhysicalAccessLibrary final : public PhysicalAccessApi {
 public:
  ~PhysicalAccessLibrary() override { Free(); }
  bool Load(const std::string& path) override;
  bool Resolve(const std::string& name) override;
  void Free() override;
  bool IsLoaded() const override { return module_ != nullptr; }

  std::int32_t maOpenLibrary() override;
  std::int32_t maCloseLibrary() override;
  std::uint8_t maPeekB(std::uint32_t address) override;
  std::uint16_t maPeekW(std::uint32_t address) override;
  std::uint32_t maPeekD(std::uint32_t address) override;
  std::int32_t maPokeB(std::uint32_t address, std::uint8_t value) override;
  std::int32_t maPokeW(std::uint32_t address, std::uint16_t value) override;
  std::int32_t maPokeD(std::uint32_t address, std::uint32_t value) override;
  std::int32_t maUnmapPhysicalMemory(std::uint32_t mappingHandle, std::uint32_t linear) override;
  std::uint32_t maMapPhysToLinear(std::uint32_t physical, std::uint32_t length,
                                  std::uint32_t* mappingHandle) override;
  std::uint32_t maGetLastState(char* text) override;
  std::uint16_t maGetVersion() override;
  std::int32_t maGetDeviceBaseAddress(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                      std::uint32_t index, std::uint8_t* records) override;
  std::int32_t maGetPCIDeviceInfo(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                  std::uint32_t index, std::uint32_t* bus, std::uint32_t* device,
                                  std::uint32_t* function, std::uint8_t* header) override;
  std::uint32_t maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) override;
  std::int32_t maFreeSystemBuffer() override;

 private:
  void* module_ = nullptr;
  void* entries_[16] = {};
};

}  // namespace qz
