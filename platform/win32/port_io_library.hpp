#pragma once
// tesselio.dll bound with LoadLibrary and GetProcAddress.
#include "platform/port_io_api.hpp"

namespace qz {

class PortIoLibrary final : public PortIoApi {
 public:
  ~PortIoLibrary() override { Free(); }
  bool Load(const std::string& path) override;
  bool Resolve(const std::string& name) override;
  void Free() override;
  bool IsLoaded() const override { return module_ != nullptr; }

  std::uint8_t Inport(std::uint16_t port) override;
  void Outport(std::uint16_t port, std::uint8_t value) override;
  std::uint16_t InportW(std::uint16_t port) override;
  void OutportW(std::uint16_t port, std::uint16_t value) override;
  std::uint32_t InportD(std::uint16_t port) override;
  void OutportD(std::uint16_t port, std::uint32_t value) override;
  std::int32_t GetLastState(char* text) override;
  std::int32_t GetNTPortVersion() override;
  void SetFastMode(std::int32_t fast) override;
  std::int32_t GetFastMode() override;
  std::uint16_t GetLPTPortAddress(std::uint16_t portNumber) override;

 private:
  void* module_ = nullptr;
  void* entries_[11] = {};
};

}  // namespace qz
