#pragma once
// The port-I/O library (tesselio.dll) as the updater binds it at run time. Calls mirror the
// exports (stdcall, 16-bit port numbers); an export that was not resolved answers 0.
#include <cstdint>
#include <string>

namespace qz {

class PortIoApi {
 public:
  virtual ~PortIoApi() = default;

  virtual bool Load(const std::string& path) = 0;
  virtual bool Resolve(const std::string& name) = 0;
  virtual void Free() = 0;
  virtual bool IsLoaded() const = 0;

  virtual std::uint8_t Inport(std::uint16_t port) = 0;
  virtual void Outport(std::uint16_t port, std::uint8_t value) = 0;
  virtual std::uint16_t InportW(std::uint16_t port) = 0;
  virtual void OutportW(std::uint16_t port, std::uint16_t value) = 0;
  virtual std::uint32_t InportD(std::uint16_t port) = 0;
  virtual void OutportD(std::uint16_t port, std::uint32_t value) = 0;
  // 0 when the last call worked; text (may be null) receives its description.
  virtual std::int32_t GetLastState(char* text) = 0;
  virtual std::int32_t GetNTPortVersion() = 0;
  virtual void SetFastMode(std::int32_t fast) = 0;
  virtual std::int32_t GetFastMode() = 0;
  virtual std::uint16_t GetLPTPortAddress(std::uint16_t portNumber) = 0;
};

}  // namespace qz
