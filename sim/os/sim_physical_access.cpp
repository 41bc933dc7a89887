#include "sim/os/sim_physical_access.hpp"

#include "sim/devices/access_drivers.hpp"

namespace qz::sim {

SimPhysicalAccess::SimPhysicalAccess(SimWin32& process)
    : exports{"maOpenLibrary", "maCloseLibrary", "maPeekB", "maPeekW", "maPeekD", "maPokeB",
              "maPokeW", "maPokeD", "maMapPhysToLinear", "maUnmapPhysicalMemory",
              "maFindPCIDevice", "maGetPCIDeviceInfo", "maGetDeviceBaseAddress",
              "maAllocSystemBuffer", "maFreeSystemBuffer", "maGetLastState", "maGetVersion",
              "maIsWinNT", "maIsWin64", "maInstallService", "maRemoveService",
              "maControlService"},
      process_(process) {}

bool SimPhysicalAccess::Load(const std::string& path) {
  Free();
  Machine& m = process_.machine();
  m.loadedLibraries.push_back(path);
  const FileSystem::File* file = m.files.Find(process_.Redirect(path));
  if (!file) {
    process_.SetLastError(126);  // ERROR_MOD_NOT_FOUND
    return false;
  }
  if (ImageProcessor(file->data) != 0x14C) {
    process_.SetLastError(193);  // ERROR_BAD_EXE_FORMAT
    return false;
  }
  loadedPath = path;
  library_ = std::make_unique<tessel::TesselLibrary>(seam_);
  library_->ProcessAttach();
  return true;
}

bool SimPhysicalAccess::Resolve(const std::string& name) {
  if (!library_ || !exports.count(name)) return false;
  resolved_.insert(name);
  return true;
}

void SimPhysicalAccess::Free() {
  if (library_) library_->ProcessDetach();
  library_.reset();
  resolved_.clear();
  loadedPath.clear();
}

bool SimPhysicalAccess::Bound(const char* name) {
  if (!library_ || !resolved_.count(name)) return false;
  calls.emplace_back(name);
  return true;
}

std::int32_t SimPhysicalAccess::maOpenLibrary() {
  return Bound("maOpenLibrary") ? library_->maOpenLibrary() : 0;
}
std::int32_t SimPhysicalAccess::maCloseLibrary() {
  return Bound("maCloseLibrary") ? library_->maCloseLibrary() : 0;
}
std::uint8_t SimPhysicalAccess::maPeekB(std::uint32_t a) {
  return Bound("maPeekB") ? static_cast<std::uint8_t>(library_->maPeekB(a)) : 0;
}
std::uint16_t SimPhysicalAccess::maPeekW(std::uint32_t a) {
  return Bound("maPeekW") ? static_cast<std::uint16_t>(library_->maPeekW(a)) : 0;
}
std::uint32_t SimPhysicalAccess::maPeekD(std::uint32_t a) {
  return Bound("maPeekD") ? library_->maPeekD(a) : 0;
}
std::int32_t SimPhysicalAccess::maPokeB(std::uint32_t a, std::uint8_t v) {
  return Bound("maPokeB") ? library_->maPokeB(a, v) : 0;
}
std::int32_t SimPhysicalAccess::maPokeW(std::uint32_t a, std::uint16_t v) {
  return Bound("maPokeW") ? library_->maPokeW(a, v) : 0;
}
std::int32_t SimPhysicalAccess::maPokeD(std::uint32_t a, std::uint32_t v) {
  return Bound("maPokeD") ? library_->maPokeD(a, v) : 0;
}
std::int32_t SimPhysicalAccess::maUnmapPhysicalMemory(std::uint32_t h, std::uint32_t linear) {
  return Bound("maUnmapPhysicalMemory") ? library_->maUnmapPhysicalMemory(h, linear) : 0;
}
std::uint32_t SimPhysicalAccess::maMapPhysToLinear(std::uint32_t p, std::uint32_t n, std::uint32_t* h) {
  return Bound("maMapPhysToLinear") ? library_->maMapPhysToLinear(p, n, h) : 0;
}
std::uint32_t SimPhysicalAccess::maGetLastState(char* text) {
  return Bound("maGetLastState") ? library_->maGetLastState(text) : 0;
}
std::uint16_t SimPhysicalAccess::maGetVersion() {
  return Bound("maGetVersion") ? library_->maGetVersion() : 0;
}
std::int32_t SimPhysicalAccess::maGetDeviceBaseAddress(std::uint16_t* v, std::uint16_t* d,
                                                       std::uint32_t i, std::uint8_t* r) {
  return Bound("maGetDeviceBaseAddress") ? library_->maGetDeviceBaseAddress(v, d, i, r) : 0;
}
std::int32_t SimPhysicalAccess::maGetPCIDeviceInfo(std::uint16_t* v, std::uint16_t* d, std::uint32_t i,
                                                   std::uint32_t* bus, std::uint32_t* dev,
                                                   std::uint32_t* fn, std::uint8_t* header) {
  return Bound("maGetPCIDeviceInfo") ? library_->maGetPCIDeviceInfo(v, d, i, bus, dev, fn, header) : 0;
}
std::uint32_t SimPhysicalAccess::maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) {
  return Bound("maAllocSystemBuffer") ? library_->maAllocSystemBuffer(size, physical) : 0;
}
std::int32_t SimPhysicalAccess::maFreeSystemBuffer() {
  return Bound("maFreeSystemBuffer") ? library_->maFreeSystemBuffer() : 0;
}

}  // namespace qz::sim
