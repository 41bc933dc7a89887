#include "discovery/wmi_disk_info.hpp"

#include <charconv>
#include <cstring>

#include "discovery/fixed_text.hpp"

namespace qz {
namespace {

// The whole text as a signed 64-bit decimal number (a leading '-' allowed).
bool ToNumber(std::string_view text, std::int64_t& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  // Unsigned 64-bit values above the signed range (sizes, serials) still read as bits.
  if (!text.empty() && text[0] != '-') {
    std::uint64_t u = 0;
    auto [p, ec] = std::from_chars(first, last, u);
    if (ec != std::errc() || p != last) return false;
    value = static_cast<std::int64_t>(u);
    return true;
  }
  auto [p, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && p == last;
}

template <typename T>
bool StoreNumber(T& field, std::string_view text) {
  std::int64_t v = 0;
  if (!ToNumber(text, v)) return false;
  field = static_cast<T>(v);  // narrower fields keep the low half
  return true;
}

}  // namespace

bool StoreWmiProperty(WmiDiskInfo& info, std::string_view name, std::string_view text) {
  if (name == "FirmwareRevision") {
    // Eight characters fill the field with no terminator.
    info.FirmwareRevision.fill('\0');
    std::memcpy(info.FirmwareRevision.data(), text.data(),
                std::min(text.size(), info.FirmwareRevision.size()));
    return true;
  }
  struct TextField {
    const char* name;
    char* data;
    std::size_t size;
  };
  const TextField texts[] = {
      {"DeviceID", info.DeviceID.data(), info.DeviceID.size()},
      {"Caption", info.Caption.data(), info.Caption.size()},
      {"InterfaceType", info.InterfaceType.data(), info.InterfaceType.size()},
      {"MediaType", info.MediaType.data(), info.MediaType.size()},
      {"Model", info.Model.data(), info.Model.size()},
      {"Name", info.Name.data(), info.Name.size()},
  };
  for (const auto& f : texts) {
    if (name != f.name) continue;
    std::memset(f.data, 0, f.size);
    std::memcpy(f.data, text.data(), std::min(text.size(), f.size - 1));
    return true;
  }
  if (name == "Index") return StoreNumber(info.Index, text);
  if (name == "Partitions") return StoreNumber(info.Partitions, text);
  if (name == "SCSIBus") return StoreNumber(info.SCSIBus, text);
  if (name == "SCSILogicalUnit") return StoreNumber(info.SCSILogicalUnit, text);
  if (name == "SCSIPort") return StoreNumber(info.SCSIPort, text);
  if (name == "SCSITargetId") return StoreNumber(info.SCSITargetId, text);
  if (name == "Signature") return StoreNumber(info.Signature, text);
  if (name == "Size") return StoreNumber(info.Size, text);
  if (name == "TotalCylinders") return StoreNumber(info.TotalCylinders, text);
  if (name == "TotalHeads") return StoreNumber(info.TotalHeads, text);
  if (name == "TotalSectors") return StoreNumber(info.TotalSectors, text);
  if (name == "TotalTracks") return StoreNumber(info.TotalTracks, text);
  if (name == "BytesPerSector") return StoreNumber(info.BytesPerSector, text);
  if (name == "SectorsPerTrack") return StoreNumber(info.SectorsPerTrack, text);
  if (name == "TracksPerCylinder") return StoreNumber(info.TracksPerCylinder, text);
  return false;
}

}  // namespace qz
