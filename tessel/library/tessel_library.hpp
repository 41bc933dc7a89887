#pragma once
// What tessel.dll does behind its exports, over the libraries' view of the system: one
// instance per process. The Windows DLL forwards each export to it; on the host the same code
// runs against the simulated machine.
#include <cstdint>

#include "tessel/library/library_os.hpp"

namespace qz::tessel {

inline constexpr std::int32_t kTrue = -1;
inline constexpr std::int32_t kFalse = 0;
inline constexpr std::uint16_t kLibraryVersion = 320;

class TesselLibrary {
 public:
  // constexpr: the DLL's instance is set up at load, without a runtime to construct it.
  constexpr explicit TesselLibrary(LibraryOs& os) : os_(os) {}

  void ProcessAttach();
  void ProcessDetach();

  std::int32_t maOpenLibrary();
  std::int32_t maCloseLibrary();
  std::uint32_t maPeekB(std::uint32_t address) { return Peek(address, 1); }
  std::uint32_t maPeekW(std::uint32_t address) { return Peek(address, 2); }
  std::uint32_t maPeekD(std::uint32_t address) { return Peek(address, 4); }
  std::int32_t maPokeB(std::uint32_t address, std::uint32_t value) { return Poke(address, 1, value & 0xFFFFu); }
  std::int32_t maPokeW(std::uint32_t address, std::uint32_t value) { return Poke(address, 2, value & 0xFFFFu); }
  std::int32_t maPokeD(std::uint32_t address, std::uint32_t value) { return Poke(address, 4, value); }
  std::uint32_t maMapPhysToLinear(std::uint32_t physical, std::uint32_t length,
                                  std::uint32_t* mappingHandle);
  std::int32_t maUnmapPhysicalMemory(std::uint32_t mappingHandle, std::uint32_t linear);
  // record: 100 bytes.
  std::int32_t maFindPCIDevice(std::uint32_t vendorId, std::uint32_t deviceId,
                               std::uint32_t index, std::uint8_t* record);
  // 0 failure, -1 no device matched, 1 found. header: 64 bytes.
  std::int32_t maGetPCIDeviceInfo(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                  std::uint32_t index, std::uint32_t* bus, std::uint32_t* device,
                                  std::uint32_t* function, std::uint8_t* header);
  // records: six 12-byte base-address records.
  std::int32_t maGetDeviceBaseAddress(std::uint16_t* vendorId, std::uint16_t* deviceId,
                                      std::uint32_t index, std::uint8_t* records);
  std::uint32_t maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical);
  std::int32_t maFreeSystemBuffer();
  // text: room for 52 characters with the terminator, or null.
  std::uint32_t maGetLastState(char* text);
  std::uint16_t maGetVersion() const { return kLibraryVersion; }
  std::int32_t maIsWinNT();
  std::int32_t maIsWin64();
  std::int32_t maInstallService();
  std::int32_t maRemoveService();
  std::int32_t maControlService() { return kFalse; }

  std::uint32_t state() const { return state_; }
  bool isOpen() const { return device_ != kInvalidHandle; }

 private:
  std::uint32_t Peek(std::uint32_t address, std::uint32_t width);
  std::int32_t Poke(std::uint32_t address, std::uint32_t width, std::uint32_t value);
  // One request on the open device; sets the state from its outcome.
  bool Request(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned);
  bool NeedDevice();
  Handle OpenDevice();

  LibraryOs& os_;
  Handle device_ = kInvalidHandle;
  std::uint32_t state_ = 0;
  bool isNt_ = true;
  int hasIsWow64_ = -1;  // -1 until looked up
};

}  // namespace qz::tessel
