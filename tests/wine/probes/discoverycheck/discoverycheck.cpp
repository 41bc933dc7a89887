// Runs the disk enumeration against the running Windows and prints what it found; the trace
// files are written as the updater writes them. The Wine smoke test reads both.
#include <cstdio>
#include <string>

#include "discovery/device_enumerator.hpp"
#include "discovery/fixed_text.hpp"
#include "platform/win32/real_setup_api.hpp"
#include "platform/win32/real_win32.hpp"
#include "platform/win32/real_wmi.hpp"

int main() {
  qz::RealWin32 api;
  qz::RealSetupApi setup;
  qz::RealWmi wmi;
  qz::DeviceEnumerator e(api, setup, wmi);
  int bound = 0;
  for (const auto& f : qz::kSetupFunctions) {
    if (e.IsBound(f.name)) {
      ++bound;
    } else {
      std::printf("Unbound=%s\n", f.name);
    }
  }
  std::printf("Bound=%d/%d\n", bound, static_cast<int>(qz::kSetupFunctions.size()));
  std::printf("Version=%u.%u\n", e.MajorVersion, e.MinorVersion);
  const bool ok = e.Enumerate();
  std::printf("Enumerate=%d\n", ok ? 1 : 0);
  std::printf("Expected=%d\n", e.ExpectedCount());
  std::printf("Runs=%d\n", e.Runs());
  std::printf("Count=%d\n", e.GetCount());
  for (int i = 0; i < e.GetCount(); ++i) {
    const qz::DiskRegData& d = e.GetList()[static_cast<std::size_t>(i)];
    std::printf("Disk%d=%s|%s|bus %u|number %u\n", i, qz::GetText(d.DevicePath).c_str(),
                qz::GetText(d.DeviceInstanceId).c_str(), d.BusType, d.DeviceNumber);
  }
  for (std::size_t disk = 0; disk < e.DiskMap().size(); ++disk) {
    std::string letters;
    for (std::size_t l = 0; l < 26; ++l) {
      if (e.DiskMap()[disk].Letters[l]) letters += static_cast<char>('A' + l);
    }
    if (!letters.empty()) std::printf("Letters%u=%s\n", static_cast<unsigned>(disk), letters.c_str());
  }
  std::printf("TempTrace=%s\n", e.TempTracePath().c_str());

  // What this Windows says about partitions and disks, as the map and the records read it.
  qz::TraceFile quiet(api, "NUL");
  qz::WmiDiskQuery query(api, wmi, quiet, e.MajorVersion, e.MinorVersion);
  for (const char* property : {"Antecedent", "Dependent"}) {
    std::vector<std::string> lines;
    int n = 0;
    const std::string name = property;
    if (query.WmiQuery("Win32_LogicalDiskToPartition", &lines, &name, n)) {
      for (const auto& line : lines) std::printf("Partition %s\n", line.c_str());
    }
  }
  std::vector<qz::WmiDiskInfo> records;
  if (query.DiskRecords(records)) {
    for (const auto& r : records) {
      std::printf("Record %d=%s|%s|%s\n", r.Index, qz::GetText(r.DeviceID).c_str(),
                  qz::GetText(r.Model).c_str(), qz::GetText(r.InterfaceType).c_str());
    }
  }
  e.Destroy();
  return 0;
}
