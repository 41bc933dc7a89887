#pragma once
// The physical-access library (tessel.dll) as the updater binds it at run time: load it by
// path, resolve its exports by name, call them. Calls mirror the exports (stdcall, 32-bit
// values, -1/0 booleans); an export that was not resolved answers 0.
#include <cstdint>
#include <string>

namespace qz {

class PhysicalAccessApi {
 public:
  virtual ~PhysicalAccessApi() = default;

  // LoadLibrary; false when the library cannot be loaded.
  virtual bool Load(const std::string& path) = 0;
  // GetProcAddress of one export; false when it is missing.
  virtual bool Resolve(const std::string& name) = 0;
  virtual void Free() = 0;
  virtual bool IsLoaded() const = 0;

  virtual std::int32_t maOpenLibrary() = 0;
  virtual std::int32_t maCloseLibrary() = 0;
  virtual std::uint8_t maPeekB(std::uint32_t address) = 0;
  virtual std::uint16_t maPeekW(std::uint32_t address) = 0;
  virtual std::uint32_t maPeekD(std::uint32_t address) = 0;
  virtual std::int32_t maPokeB(std::uint32_t address, std::uint8_t value) = 0;
  virtual std::int32_t maPokeW(std::uint32_t address, std::uint16_t value) = 0;
  virtual std::int32_t maPokeD(std::uint32_t address, std::uint32_t value) = 0;
  virtual std::int32_t maUnmapPhysicalMemory(std::uint32_t mappingHandle, std::uint32_t linear) = 0;
  virtual std::uint32_t maMapPhysToLinear(std::uint32_t physical, std::uint32_t length,
                                          std::uint32_t* mappingHandle) = 0;
  // text: 52 bytes or null.
  virtual std::uint32_t maGetLastState(char* text) = 0;
  virtual std::uint16_t maGetVersion() = 0;
  // records: six 12-byte base-address records (base, size, kind).
  virtual std::int32_t maGetDeviceBaseAddress(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                              std::uint32_t index, std::uint8_t* records) = 0;
  // header: 64 bytes; every out may be null.
  virtual std::int32_t maGetPCIDeviceInfo(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                          std::uint32_t index, std::uint32_t* bus,
                                          std::uint32_t* device, std::uint32_t* function,
                                          std::uint8_t* header) = 0;
  virtual std::uint32_t maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) = 0;
  virtual std::int32_t maFreeSystemBuffer() = 0;
};

}  // namespace qz
