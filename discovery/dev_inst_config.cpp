// The allocated resources of a controller's device node: ATA command and control blocks and
// memory ranges.
#include "discovery/device_enumerator.hpp"
#include "platform/little_endian.hpp"

namespace qz {
namespace {

constexpr std::size_t kDescriptorSize = 68;  // IO_RESOURCE and MEM_RESOURCE, packed
constexpr std::size_t kCommandSlots = 6;
constexpr std::uint64_t k4GiB = 0x100000000ull;

}  // namespace

bool DeviceEnumerator::GetDevInstConfig(DevInst node, std::uint32_t kind, IoResource& r) {
  temp_.Append("<< ========== Enter GetDevInstConfig ========== >>\n");
  r = IoResource{};
  std::array<std::uint8_t, kDescriptorSize> data{};
  // Without the optional functions there are no resources to read.
  for (const char* name : {"CM_Get_First_Log_Conf", "CM_Get_Next_Res_Des", "CM_Get_Res_Des_Data",
                           "CM_Free_Res_Des_Handle", "CM_Free_Log_Conf_Handle"}) {
    if (!IsBound(name)) return false;
  }

  temp_.Append(" Call fpCM_Get_First_Log_Conf\n");
  Handle config = kNullHandle;
  const std::uint32_t first = setup_.CM_Get_First_Log_Conf(config, node, kind);
  if (first != cr::kSuccess) {
    temp_.Print(" Return error code = %lX\n", static_cast<unsigned long>(first));
    return false;
  }

  temp_.Append(" Call While loop fpCM_Get_Next_Res_Des \n");
  Handle current = config;
  // A control block belongs to the command block just before it, and only if that one was kept.
  bool commandKept = false;
  for (;;) {
    Handle next = kNullHandle;
    std::uint32_t resourceId = 0;
    if (setup_.CM_Get_Next_Res_Des(next, current, res_type::kAll, resourceId) != cr::kSuccess) {
      break;
    }
    temp_.Append(" Call fpCM_Get_Res_Des_Data\n");
    const std::uint32_t read = setup_.CM_Get_Res_Des_Data(next, data);
    if (current != config) {
      temp_.Append(" Call fpCM_Free_Res_Des_Handle\n");
      setup_.CM_Free_Res_Des_Handle(current);
    }
    current = next;
    if (read != cr::kSuccess) {
      temp_.Print(" Return error code = %lX\n", static_cast<unsigned long>(read));
      break;
    }
    // IO_DES and MEM_DES begin alike: count, type, allocated base, allocated end, flags.
    // Other descriptors (interrupts, DMA, bus numbers) look nothing like them and are
    // never read as ranges.
    if (resourceId != res_type::kIo && resourceId != res_type::kMem) continue;
    const std::uint64_t base = le::Load64(&data[8]);
    const std::uint64_t end = le::Load64(&data[16]);
    if (base == 0 || end == 0) continue;
    if (resourceId == res_type::kMem) {
      if (r.MemCount < kMaxRanges) r.Mem_Addr[r.MemCount++] = {base, end};
      continue;
    }
    const std::uint64_t length = end - base + 1;
    if (length == 8) {
      commandKept = r.IoCount < kCommandSlots;
      if (commandKept) r.IO_Addr[r.IoCount++] = {base, end};
    } else if (length >= 1 && length <= 4 && commandKept) {
      r.IO_Addr[kCommandSlots + r.IoCount - 1u] = {base, end};
    }
  }
  // The last descriptor's handle is freed too.
  if (current != config) setup_.CM_Free_Res_Des_Handle(current);
  setup_.CM_Free_Log_Conf_Handle(config);
  return r.IoCount > 0 || r.MemCount > 0;
}

void DeviceEnumerator::StoreResources(DiskRegData& entry, const IoResource& r) {
  // The memory fields are 32-bit: a range the field cannot hold would name some other
  // memory, and one that ends below its start would pass as nearly 4 GiB long. Either way no
  // ranges are kept at all (their order gives them their meaning).
  bool memoryFits = true;
  for (int k = 0; k < r.MemCount; ++k) {
    const auto& m = r.Mem_Addr[static_cast<std::size_t>(k)];
    if (m.IOD_Alloc_End >= k4GiB || m.IOD_Alloc_End < m.IOD_Alloc_Base) memoryFits = false;
  }
  for (int k = 0; memoryFits && k < r.MemCount; ++k) {
    if (entry.MemRangeCount >= kMaxRanges) break;
    const auto& m = r.Mem_Addr[static_cast<std::size_t>(k)];
    entry.HasMem = 1;
    entry.MemRanges[entry.MemRangeCount++] = {
        static_cast<std::uint32_t>(m.IOD_Alloc_Base),
        static_cast<std::uint32_t>(m.IOD_Alloc_End - m.IOD_Alloc_Base + 1)};
  }

  std::size_t channel = 0;
  if (r.IoCount == 1) {
    channel = 0;
  } else if (r.IoCount > 1 && entry.UIAddress < r.IoCount) {
    channel = entry.UIAddress;
  } else {
    return;
  }
  const auto& cmd = r.IO_Addr[channel];
  const auto& ctl = r.IO_Addr[kCommandSlots + channel];
  // Without its control block a channel cannot be driven; port 0 is not it.
  if (ctl.IOD_Alloc_Base == 0) return;
  if (cmd.IOD_Alloc_End < cmd.IOD_Alloc_Base || ctl.IOD_Alloc_End < ctl.IOD_Alloc_Base) return;
  entry.HasIo = 1;
  entry.IoRangeCount = 2;
  entry.CmdBase = static_cast<std::uint32_t>(cmd.IOD_Alloc_Base);
  entry.CmdLength = static_cast<std::uint32_t>(cmd.IOD_Alloc_End - cmd.IOD_Alloc_Base + 1);
  entry.CtlBase = static_cast<std::uint32_t>(ctl.IOD_Alloc_Base);
  entry.CtlLength = static_cast<std::uint32_t>(ctl.IOD_Alloc_End - ctl.IOD_Alloc_Base + 1);
}

}  // namespace qz
