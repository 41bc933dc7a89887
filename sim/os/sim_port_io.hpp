#pragma once
// tesselio.dll loaded into a simulated 32-bit process: its exports run the library's own code
// against the simulated machine.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/port_io_api.hpp"
#include "sim/os/sim_win32.hpp"
#include "tessel/library/seam_library_os.hpp"
#include "tessel/portio/library/port_library.hpp"

namespace qz::sim {

class SimPortIo final : public PortIoApi {
 public:
  explicit SimPortIo(SimWin32& process);
  ~SimPortIo() override { Free(); }

  bool Load(const std::string& path) override;
  bool Resolve(const std::string& name) override;
  void Free() override;
  bool IsLoaded() const override { return library_ != nullptr; }

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

  std::set<std::string> exports;
  std::string loadedPath;
  std::vector<std::string> calls;

 private:
  bool Bound(const char* name);
  SimWin32& process_;
  tessel::SeamLibraryOs seam_{process_};
  std::unique_ptr<portio::PortLibrary> library_;
  std::set<std::string> resolved_;
};

}  // namespace qz::sim
