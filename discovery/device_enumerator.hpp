#pragma once
// Builds the list of the machine's disks (mDiskRegData) from the Setup API, the
// configuration manager and WMI, with what the command device needs to reach each disk.
// Every step leaves trace lines in "C:\DEBUG.TXT" and in DEBUG.TXT of the temporary directory.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "discovery/io_resource.hpp"
#include "discovery/setup_functions.hpp"
#include "discovery/trace_file.hpp"
#include "discovery/wmi_query.hpp"
#include "platform/setup_api.hpp"
#include "platform/win32_api.hpp"
#include "platform/wmi_api.hpp"

namespace qz {

class DeviceEnumerator {
 public:
  // Create: deletes the temporary trace, binds the functions, reads the Windows version and
  // starts "C:\DEBUG.TXT" with "Constructor ok ".
  DeviceEnumerator(Win32Api& api, SetupApi& setup, WmiApi& wmi);
  ~DeviceEnumerator();
  DeviceEnumerator(const DeviceEnumerator&) = delete;
  DeviceEnumerator& operator=(const DeviceEnumerator&) = delete;

  // True when the list was built, even empty.
  bool Enumerate();
  std::vector<DiskRegData>& GetList() { return mDiskRegData; }
  int GetCount() const { return count_; }
  // The disks the last Enumerate listed, as the command device takes them; empty when it
  // failed or after Destroy.
  DiskList ListedDisks();
  // Unloads the libraries, frees the list and writes "Deconstructor ok ". Runs once.
  void Destroy();

  // Lets the owning window handle its pending messages during the long walk.
  std::function<void()> processMessages;

  bool IsBound(const std::string& name) const;
  std::int16_t ExpectedCount() const { return expected_; }
  const LogicalDiskMapArray& DiskMap() const { return diskMap_; }
  const std::string& TempTracePath() const { return temp_.path(); }
  // How many times the last Enumerate ran GetDiskRegistryInfo.
  int Runs() const { return runs_; }
  // The diagnostic controller lists of the last walk.
  const std::vector<DiskRegData>& HdcControllers() const { return hdc_; }
  const std::vector<DiskRegData>& ScsiAdapters() const { return scsi_; }

  std::vector<DiskRegData> mDiskRegData;
  std::uint32_t MajorVersion = 0, MinorVersion = 0, PlatformId = 0;
  std::uint8_t ProductType = 0;

  static constexpr int kMaxRuns = 11;
  static constexpr std::size_t kMaxControllers = 16;

 private:
  bool CheckSupport();
  int GetDiskRegistryInfo(int expected);
  int GetGuidRegistryInfo(const Guid& interfaceClass, int maxEntries);
  int GetGuidRegistryInfoByDriver(const Guid& setupClass, std::vector<DiskRegData>& list);
  void ReadDeviceProperties(Handle set, const DeviceInfoData& device, DiskRegData& entry,
                            bool traced);
  bool ReadProperty(Handle set, const DeviceInfoData& device, std::uint32_t property,
                    std::vector<std::uint8_t>& value, bool traceFailures);
  std::string ReadPropertyText(Handle set, const DeviceInfoData& device,
                               std::uint32_t property);
  bool ReadPropertyNumber(Handle set, const DeviceInfoData& device, std::uint32_t property,
                          std::uint32_t& value);
  void QueryStorage(DiskRegData& entry);
  void ParentStep(int j);
  std::unique_ptr<ParentNode> BuildChain(const std::string& instanceId, int depth);
  void ReadSetupSide(ParentNode& node);
  bool GetDevInstConfig(DevInst node, std::uint32_t kind, IoResource& r);
  void StoreResources(DiskRegData& entry, const IoResource& r);
  void TraceResources(const IoResource& r, const char* ioLabel);
  void AttachWmiRecords();
  void FreeList();

  Win32Api& api_;
  SetupApi& setup_;
  WmiApi& wmi_;
  TraceFile debug_;
  TraceFile temp_;
  Handle setupApiModule_ = kNullHandle;
  Handle cfgMgrModule_ = kNullHandle;
  std::array<bool, kSetupFunctions.size()> bound_{};
  std::int16_t expected_ = 0;
  int count_ = 0;
  int runs_ = 0;
  LogicalDiskMapArray diskMap_{};
  std::vector<DiskRegData> hdc_, scsi_;
  bool destroyed_ = false;
};

}  // namespace qz
