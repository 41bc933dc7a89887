#include "discovery/wmi_disk_info.hpp"

#include <charconv>
#include <cstring>

#include "discovery/fixed_text.hpp"
#include "platform/text.hpp"

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

bool StoreWmiProperty(WmiDiskInfo& info, std::string_view rawName, std::string_view text) {
  // WMI names compare without case; some providers spell "DeviceID" as "DeviceId".
  const std::string upper = ToUpperAscii(rawName);
  const auto is = [&upper](const char* field) { return upper == ToUpperAscii(field); };
  if (is("FirmwareRevision")) {
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
    if (!is(f.name)) continue;
    std::memset(f.data, 0, f.size);
    std::memcpy(f.data, text.data(), std::min(text.size(), f.size - 1));
    return true;
  }
  if (is("Index")) return StoreNumber(info.Index, text);
  if (is("Partitions")) return StoreNumber(info.Partitions, text);
  if (is("SCSIBus")) return StoreNumber(info.SCSIBus, text);
  if (is("SCSILogicalUnit")) return StoreNumber(info.SCSILogicalUnit, text);
  if (is("SCSIPort")) return StoreNumber(info.SCSIPort, text);
  if (is("SCSITargetId")) return StoreNumber(info.SCSITargetId, text);
  if (is("Signature")) return StoreNumber(info.Signature, text);
  if (is("Size")) return StoreNumber(info.Size, text);
  if (is("TotalCylinders")) return StoreNumber(info.TotalCylinders, text);
  if (is("TotalHeads")) return StoreNumber(info.TotalHeads, text);
  if (is("TotalSectors")) return StoreNumber(info.TotalSectors, text);
  if (is("TotalTracks")) return StoreNumber(info.TotalTracks, text);
  if (is("BytesPerSector")) return StoreNumber(info.BytesPerSector, text);
  if (is("SectorsPerTrack")) return StoreNumber(info.SectorsPerTrack, text);
  if (is("TracksPerCylinder")) return StoreNumber(info.TracksPerCylinder, text);
  return false;
}

}  // namespace qz
