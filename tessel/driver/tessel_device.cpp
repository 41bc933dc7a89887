#include "tessel/driver/tessel_device.hpp"

#include "platform/little_endian.hpp"
#include "tessel/driver/byte_fill.hpp"
#include "tessel/driver/pci_walk.hpp"
#include "tessel/request_codes.hpp"

namespace qz::tessel {
namespace {

using kstatus::Reply;

struct Sizes {
  std::uint32_t code, in, out;
};

constexpr Sizes kSizes[] = {
    {kIoctlReadMemory, 12, 4},  {kIoctlWriteMemory, 12, 4}, {kIoctlMapMemory, 16, 16},
    {kIoctlUnmapMemory, 16, 4}, {kIoctlFindDevice, 8, kPciRecordShortSize},
    {kIoctlDmaAlloc, 16, 16},
};

Reply Status(std::int32_t status, std::uint32_t information = 0) {
  Reply r;
  r.status = status;
  r.information = information;
  return r;
}

bool ValidWidth(std::uint32_t width) { return width == 1 || width == 2 || width == 4; }

}  // namespace

Reply TesselDevice::Handle(std::uint64_t owner, std::uint32_t code, std::uint8_t* buffer,
                           std::uint32_t inLength, std::uint32_t outLength) {
  owner_ = owner;
  const Sizes* sizes = nullptr;
  for (const auto& s : kSizes) {
    if (s.code == code) sizes = &s;
  }
  if (!sizes) return Status(kstatus::kInvalidParameter);
  if (buffer == nullptr || inLength < sizes->in || outLength < sizes->out) {
    return Status(kstatus::kBufferTooSmall);
  }
  switch (code) {
    case kIoctlReadMemory: return ReadMemory(buffer);
    case kIoctlWriteMemory: return WriteMemory(buffer);
    case kIoctlMapMemory: return MapMemory(buffer);
    case kIoctlUnmapMemory: return UnmapMemory(buffer);
    case kIoctlFindDevice: return FindDevice(buffer, outLength);
    default: return DmaAlloc(buffer);
  }
}

Reply TesselDevice::ReadMemory(std::uint8_t* buffer) {
  const std::uint32_t address = le::Load32(buffer);
  const std::uint32_t width = le::Load32(buffer + 4);
  std::uint32_t value = 0;
  // Other widths move nothing and answer zero.
  if (ValidWidth(width) && !machine_.ReadPhysical(address, width, value)) {
    return Status(kstatus::kInsufficientResources);
  }
  kbytes::Fill(buffer, 4, 0);
  if (width == 1) value &= 0xFFu;
  if (width == 2) value &= 0xFFFFu;
  le::Store32(buffer, value);
  return Status(kstatus::kSuccess, 4);
}

Reply TesselDevice::WriteMemory(std::uint8_t* buffer) {
  const std::uint32_t address = le::Load32(buffer);
  const std::uint32_t width = le::Load32(buffer + 4);
  const std::uint32_t value = le::Load32(buffer + 8);
  if (ValidWidth(width) && !machine_.WritePhysical(address, width, value)) {
    return Status(kstatus::kInsufficientResources);
  }
  kbytes::Fill(buffer, 4, 0);
  return Status(kstatus::kSuccess, 4);
}

Reply TesselDevice::MapMemory(std::uint8_t* buffer) {
  const std::uint32_t physical = le::Load32(buffer + 4);
  const std::uint32_t length = le::Load32(buffer + 12);
  // The view starts at the page: its size, offset plus length, must not wrap at 32 bits.
  const std::uint32_t pageOffset = physical & 0xFFFu;
  if (length == 0 || length > 0xFFFFFFFFu - pageOffset) return Status(kstatus::kInvalidParameter);
  std::uint32_t slot = 0;
  while (slot < kMaxViews && views_[slot].used) ++slot;
  if (slot == kMaxViews) return Status(kstatus::kInsufficientResources);
  View& v = views_[slot];
  if (!machine_.MapView(physical, length, v.view, v.linear)) {
    return Status(kstatus::kInsufficientResources);
  }
  v.used = true;
  v.owner = owner_;
  v.process = machine_.ReferenceCurrentProcess();
  kbytes::Fill(buffer, 16, 0);
  le::Store32(buffer, slot + 1);
  le::Store32(buffer + 8, v.linear);
  return Status(kstatus::kSuccess, 16);
}

Reply TesselDevice::UnmapMemory(std::uint8_t* buffer) {
  const std::uint32_t handle = le::Load32(buffer);
  const std::uint32_t linear = le::Load32(buffer + 8);
  if (handle != 0) {
    // Only a view this driver made, through the same handle, in the asking process.
    const std::uint32_t slot = handle - 1;
    if (slot >= kMaxViews) return Status(kstatus::kInvalidParameter);
    View& v = views_[slot];
    if (!v.used || v.linear != linear || v.owner != owner_ ||
        v.process != machine_.CurrentProcess()) {
      return Status(kstatus::kInvalidParameter);
    }
    Drop(v);
  }
  kbytes::Fill(buffer, 4, 0);
  return Status(kstatus::kSuccess, 4);
}

void TesselDevice::Drop(View& v) {
  machine_.UnmapView(v.process, v.view);
  machine_.ReleaseProcess(v.process);
  v = View{};
}

void TesselDevice::Cleanup(std::uint64_t owner) {
  // A handle passed to another process may be closed last there: its views are still
  // undone in the process that mapped them.
  for (View& v : views_) {
    if (v.used && v.owner == owner) Drop(v);
  }
  if (bufferSize_ != 0 && bufferOwner_ == owner) bufferOwnerOpen_ = false;
}

std::uint32_t TesselDevice::viewsInUse() const {
  std::uint32_t n = 0;
  for (const View& v : views_) n += v.used ? 1u : 0u;
  return n;
}

Reply TesselDevice::FindDevice(std::uint8_t* buffer, std::uint32_t outLength) {
  const std::uint16_t vendor = le::Load16(buffer);
  const std::uint16_t device = le::Load16(buffer + 2);
  const std::uint32_t index = le::Load32(buffer + 4);
  PciFound found;
  if (!FindPciFunction(machine_, vendor, device, index, found)) return Status(kstatus::kSuccess, 0);
  for (std::uint32_t i = 0; i < 64; ++i) buffer[i] = found.header[i];
  for (std::uint32_t i = 0; i < 6; ++i) le::Store32(buffer + 64 + 4 * i, found.barSizes[i]);
  if (outLength < kPciRecordSize) return Status(kstatus::kSuccess, kPciRecordShortSize);
  le::Store32(buffer + 88, found.bus);
  le::Store32(buffer + 92, found.device);
  le::Store32(buffer + 96, found.function);
  return Status(kstatus::kSuccess, kPciRecordSize);
}

Reply TesselDevice::DmaAlloc(std::uint8_t* buffer) {
  const std::uint32_t size = le::Load32(buffer + 8);
  // The buffer is its allocator's: another handle could otherwise free it under a command
  // that is still writing into it.
  if (bufferSize_ != 0 && !(bufferOwnerOpen_ && bufferOwner_ == owner_)) {
    return Status(kstatus::kAccessDenied);
  }
  if (size == 0 || size != bufferSize_) FreeBuffer();
  if (size != 0 && bufferSize_ == 0) {
    std::uint64_t physical = 0, kernel = 0;
    if (!machine_.AllocateCommonBuffer(size, physical, kernel)) {
      return Status(kstatus::kInsufficientResources);
    }
    bufferSize_ = size;
    bufferPhysical_ = physical;
    bufferOwner_ = owner_;
    bufferOwnerOpen_ = true;
  }
  kbytes::Fill(buffer, 16, 0);
  le::Store64(buffer, bufferPhysical_);
  le::Store32(buffer + 8, bufferSize_);
  // The kernel address stays in the kernel: the field is answered 0.
  return Status(kstatus::kSuccess, 16);
}

void TesselDevice::Release() {
  // Every handle is closed before a driver unloads; a view left all the same is undone.
  for (View& v : views_) {
    if (v.used) Drop(v);
  }
  FreeBuffer();
}

void TesselDevice::FreeBuffer() {
  if (bufferSize_ != 0) machine_.FreeCommonBuffer();
  bufferSize_ = 0;
  bufferPhysical_ = 0;
  bufferOwner_ = 0;
  bufferOwnerOpen_ = false;
}

}  // namespace qz::tessel
