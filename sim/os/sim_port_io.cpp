#include "sim/os/sim_port_io.hpp"

#include "sim/devices/access_drivers.hpp"

namespace qz::sim {

SimPortIo::SimPortIo(SimWin32& process)
    : exports{"Inport", "Outport", "InportW", "OutportW", "InportD", "OutportD", "GetLastState",
              "GetNTPortVersion", "SetFastMode", "GetFastMode", "GetLPTPortAddress"},
      process_(process) {}

bool SimPortIo::Load(const std::string& path) {
  Free();
  Machine& m = process_.machine();
  m.loadedLibraries.push_back(path);
  const FileSystem::File* file = m.files.Find(process_.Redirect(path));
  if (!file) {
    process_.SetLastError(126);
    return false;
  }
  if (ImageProcessor(file->data) != 0x14C) {
    process_.SetLastError(193);
    return false;
  }
  loadedPath = path;
  library_ = std::make_unique<portio::PortLibrary>(seam_);
  return true;
}

bool SimPortIo::Resolve(const std::string& name) {
  if (!library_ || !exports.count(name)) return false;
  resolved_.insert(name);
  return true;
}

void SimPortIo::Free() {
  if (library_) library_->ProcessDetach();
  library_.reset();
  resolved_.clear();
  loadedPath.clear();
}

bool SimPortIo::Bound(const char* name) {
  if (!library_ || !resolved_.count(name)) return false;
  calls.emplace_back(name);
  return true;
}

std::uint8_t SimPortIo::Inport(std::uint16_t p) { return Bound("Inport") ? library_->Inport(p) : 0; }
void SimPortIo::Outport(std::uint16_t p, std::uint8_t v) {
  if (Bound("Outport")) library_->Outport(p, v);
}
std::uint16_t SimPortIo::InportW(std::uint16_t p) { return Bound("InportW") ? library_->InportW(p) : 0; }
void SimPortIo::OutportW(std::uint16_t p, std::uint16_t v) {
  if (Bound("OutportW")) library_->OutportW(p, v);
}
std::uint32_t SimPortIo::InportD(std::uint16_t p) { return Bound("InportD") ? library_->InportD(p) : 0; }
void SimPortIo::OutportD(std::uint16_t p, std::uint32_t v) {
  if (Bound("OutportD")) library_->OutportD(p, v);
}
std::int32_t SimPortIo::GetLastState(char* text) {
  return Bound("GetLastState") ? library_->GetLastState(text) : -1;
}
std::int32_t SimPortIo::GetNTPortVersion() {
  return Bound("GetNTPortVersion") ? library_->GetNTPortVersion() : 0;
}
void SimPortIo::SetFastMode(std::int32_t fast) {
  if (Bound("SetFastMode")) library_->SetFastMode(fast);
}
std::int32_t SimPortIo::GetFastMode() { return Bound("GetFastMode") ? library_->GetFastMode() : 0; }
std::uint16_t SimPortIo::GetLPTPortAddress(std::uint16_t n) {
  return Bound("GetLPTPortAddress") ? library_->GetLPTPortAddress(n) : 0;
}

}  // namespace qz::sim
