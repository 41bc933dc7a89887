#pragma once
// tessel.dll loaded into a simulated 32-bit process: the library file must be on the
// machine's disk and be a 32-bit image; its exports run the library's own code against the
// simulated machine.
#include <memory>
#include <set>
#include <string>

#include "platform/physical_access_api.hpp"
#include "sim/os/sim_win32.hpp"
#include "tessel/library/seam_library_os.hpp"
#include "tessel/library/tessel_library.hpp"

namespace qz::sim {

class SimPhysicalAccess final : public PhysicalAccessApi {
 public:
  explicit SimPhysicalAccess(SimWin32& process);
  ~SimPhysicalAccess() override { Free(); }

  bool Load(const std::string& path) override;
  bool Resolve(const std::string& name) override;
  void Free() override;
  bool IsLoaded() const override { return library_ != nullptr; }

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

  // The library's exports; a test removes one to make it missing.
  std::set<std::string> exports;
  std::string loadedPath;
  std::vector<std::string> calls;  // the exports called, in order

 private:
  bool Bound(const char* name);
  SimWin32& process_;
  tessel::SeamLibraryOs seam_{process_};
  std::unique_ptr<tessel::TesselLibrary> library_;
  std::set<std::string> resolved_;
};

}  // namespace qz::sim
