#include "sim/machine/wmi_repository.hpp"

#include "platform/service_api.hpp"
#include "platform/text.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {

void WmiInstance::Set(const std::string& name, const std::string& text) {
  properties.emplace_back(name, WmiValue{false, {text}});
}

void WmiInstance::SetArray(const std::string& name, const std::vector<std::string>& items) {
  properties.emplace_back(name, WmiValue{true, items});
}

void WmiInstance::SetNull(const std::string& name) { properties.emplace_back(name, WmiValue{}); }

namespace {

WmiInstance DiskDrive(const Machine& m, const SimDisk& disk) {
  const auto& d = disk.description;
  const StorageDisk& dev = *disk.device;
  const std::string id = "\\\\.\\PHYSICALDRIVE" + std::to_string(dev.deviceNumber);
  const std::uint64_t cylinders = d.sizeBytes / (255ull * 63 * 512);
  const bool vistaOrLater = m.version.majorVersion >= 6;
  WmiInstance w;
  w.SetNull("Availability");
  w.Set("BytesPerSector", "512");
  w.SetArray("Capabilities", {"3", "4"});
  w.SetArray("CapabilityDescriptions", {"Random Access", "Supports Writing"});
  w.Set("Caption", d.model);
  w.Set("ConfigManagerErrorCode", "0");
  w.Set("CreationClassName", "Win32_DiskDrive");
  w.Set("Description", "Disk drive");
  w.Set("DeviceID", id);
  if (vistaOrLater) w.Set("FirmwareRevision", d.firmware);  // Windows XP does not report it
  w.Set("Index", std::to_string(dev.deviceNumber));
  w.Set("InterfaceType", disk.interfaceType);
  w.Set("Manufacturer", "(Standard disk drives)");
  w.Set("MediaLoaded", "True");
  w.Set("MediaType", disk.interfaceType == "USB" ? "Removable Media" : "Fixed hard disk media");
  w.Set("Model", d.model);
  w.Set("Name", id);
  w.Set("Partitions", std::to_string(d.letters.size()));
  w.Set("PNPDeviceID", m.deviceTree.nodes[static_cast<std::size_t>(disk.node)].instanceId);
  w.Set("SCSIBus", std::to_string(dev.pathId));
  w.Set("SCSILogicalUnit", std::to_string(dev.lun));
  w.Set("SCSIPort", std::to_string(dev.portNumber));
  w.Set("SCSITargetId", std::to_string(dev.targetId));
  w.Set("SectorsPerTrack", "63");
  if (vistaOrLater) w.Set("SerialNumber", d.serial);
  w.Set("Signature", std::to_string(d.signature));
  w.Set("Size", std::to_string(cylinders * 255 * 63 * 512));
  w.Set("Status", "OK");
  w.Set("SystemName", m.wmi.hostName);
  w.Set("TotalCylinders", std::to_string(cylinders));
  w.Set("TotalHeads", "255");
  w.Set("TotalSectors", std::to_string(cylinders * 255 * 63));
  w.Set("TotalTracks", std::to_string(cylinders * 255));
  w.Set("TracksPerCylinder", "255");
  return w;
}

}  // namespace

std::vector<WmiInstance> WmiRepository::Instances(const Machine& m, const std::string& className) const {
  std::vector<WmiInstance> out;
  const std::string ns = "\\\\" + hostName + "\\root\\cimv2:";
  if (EqualsIgnoreCase(className, "Win32_DiskDrive")) {
    for (const auto& disk : m.deviceTree.disks) {
      if (disk.listedByWmi && m.deviceTree.nodes[static_cast<std::size_t>(disk.node)].present) {
        out.push_back(DiskDrive(m, disk));
      }
    }
  } else if (EqualsIgnoreCase(className, "Win32_LogicalDiskToPartition")) {
    for (const auto& disk : m.deviceTree.disks) {
      if (!disk.listedByWmi) continue;
      const auto& letters = disk.description.letters;
      for (std::size_t p = 0; p < letters.size(); ++p) {
        WmiInstance w;
        w.Set("Antecedent", ns + "Win32_DiskPartition.DeviceID=\"Disk #" +
                                std::to_string(disk.device->deviceNumber) + ", Partition #" +
                                std::to_string(p) + "\"");
        w.Set("Dependent", ns + "Win32_LogicalDisk.DeviceID=\"" + std::string(1, letters[p]) + ":\"");
        w.Set("EndingAddress", "0");
        w.Set("StartingAddress", "1048576");
        out.push_back(w);
      }
    }
  }
  auto run = queriesRun.find(ToUpperAscii(className));
  const int queries = run == queriesRun.end() ? 0 : run->second;
  for (const auto& [name, instance] : extraInstances) {
    if (EqualsIgnoreCase(name, className) && instance.hiddenForQueries <= queries) out.push_back(instance);
  }
  return out;
}

bool WmiRepository::Knows(const std::string& className) const {
  for (const char* known : {"Win32_DiskDrive", "Win32_LogicalDiskToPartition", "Win32_LogicalDisk",
                            "Win32_DiskPartition"}) {
    if (EqualsIgnoreCase(known, className)) return true;
  }
  for (const auto& [name, instance] : extraInstances) {
    if (EqualsIgnoreCase(name, className)) return true;
  }
  return false;
}

void AddWmiService(Machine& machine) {
  auto& s = machine.services.Add("Winmgmt", service_type::kWin32ShareProcess, service_start::kAuto,
                                 machine.SystemDirectory() + "\\svchost.exe -k netsvcs",
                                 service_state::kRunning);
  s.displayName = "Windows Management Instrumentation";
}

}  // namespace qz::sim
