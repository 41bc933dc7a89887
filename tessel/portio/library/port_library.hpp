#pragma once
// What tesselio.dll does behind its exports, over the libraries' view of the system. The
// device is opened on first use, so that a library loaded before its driver started still
// works once it runs.
#include <cstdint>

#include "tessel/library/library_os.hpp"

namespace qz::portio {

inline constexpr std::int32_t kLibraryVersion = 0x0100;
// Our own state code: the driver's device could not be opened (the Windows error follows in
// the text); other codes are Windows errors.
inline constexpr std::int32_t kStateNoDriver = -1;
inline constexpr std::uint32_t kStateTextSize = 64;

class PortLibrary {
 public:
  // constexpr: the DLL's instance is set up at load, without a runtime to construct it.
  constexpr explicit PortLibrary(tessel::DeviceOs& os) : os_(os) {}
  void ProcessDetach();

  std::uint8_t Inport(std::uint16_t port) { return static_cast<std::uint8_t>(In(port, 1)); }
  std::uint16_t InportW(std::uint16_t port) { return static_cast<std::uint16_t>(In(port, 2)); }
  std::uint32_t InportD(std::uint16_t port) { return In(port, 4); }
  void Outport(std::uint16_t port, std::uint8_t value) { Out(port, 1, value); }
  void OutportW(std::uint16_t port, std::uint16_t value) { Out(port, 2, value); }
  void OutportD(std::uint16_t port, std::uint32_t value) { Out(port, 4, value); }
  // text: room for 64 characters with the terminator, or null.
  std::int32_t GetLastState(char* text);
  std::int32_t GetNTPortVersion() const { return kLibraryVersion; }
  // Every access goes through the driver; the mode is kept only so that it reads back.
  void SetFastMode(std::int32_t fast) { fastMode_ = fast != 0; }
  std::int32_t GetFastMode() const { return fastMode_ ? 1 : 0; }
  std::uint16_t GetLPTPortAddress(std::uint16_t portNumber);

  std::int32_t state() const { return state_; }

 private:
  std::uint32_t In(std::uint16_t port, std::uint32_t width);
  void Out(std::uint16_t port, std::uint32_t width, std::uint32_t value);
  bool Request(std::uint32_t code, ConstBytes in, Bytes out);
  bool EnsureOpen();

  tessel::DeviceOs& os_;
  Handle device_ = kInvalidHandle;
  std::int32_t state_ = 0;
  std::uint32_t lastError_ = 0;
  bool fastMode_ = false;
};

}  // namespace qz::portio
