#pragma once
// One process's view of the machine's device tree through the Setup API and the
// configuration manager, with the libraries loaded as the system's loader would: a bare name
// is looked for beside the program first, then in the system directory.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/setup_api.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz::sim {

class SimSetupApi final : public SetupApi {
 public:
  SimSetupApi(SimWin32& process, std::string programPath = "C:\\Program Files\\Quenzar\\Quenzar.exe");

  // The files the loader actually loaded, in order.
  const std::vector<std::string>& loadedFiles() const { return loadedFiles_; }
  std::size_t OpenHandleCount() const;

  Handle LoadLibrary(const std::string& path) override;
  bool Bind(Handle module, const std::string& name) override;
  void FreeLibrary(Handle module) override;
  std::string ProgramDirectory() override;
  std::uint32_t InterfaceDetailSize() override;

  Handle SetupDiGetClassDevs(const Guid* classGuid, std::uint32_t flags) override;
  bool SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, DeviceInfoData& data) override;
  bool SetupDiEnumDeviceInterfaces(Handle set, const Guid& interfaceClass, std::uint32_t index,
                                   DeviceInterfaceData& data) override;
  bool SetupDiGetDeviceInterfaceDetail(Handle set, const DeviceInterfaceData& data, Bytes detail,
                                       std::uint32_t& requiredSize) override;
  bool SetupDiGetDeviceRegistryProperty(Handle set, const DeviceInfoData& data,
                                        std::uint32_t property, std::uint32_t& regType,
                                        Bytes buffer, std::uint32_t& requiredSize) override;
  bool SetupDiGetDeviceInstanceId(Handle set, const DeviceInfoData& data, Bytes buffer,
                                  std::uint32_t& requiredSize) override;
  bool SetupDiDestroyDeviceInfoList(Handle set) override;

  std::uint32_t CM_Locate_DevNode(DevInst& node, const std::string& instanceId) override;
  std::uint32_t CM_Get_Parent(DevInst& parent, DevInst node) override;
  std::uint32_t CM_Get_Device_ID(DevInst node, Bytes buffer) override;
  std::uint32_t CM_Get_DevNode_Registry_Property(DevInst node, std::uint32_t property,
                                                 std::uint32_t& regType, Bytes buffer,
                                                 std::uint32_t& length) override;
  std::uint32_t CM_Get_First_Log_Conf(Handle& logConf, DevInst node, std::uint32_t kind) override;
  std::uint32_t CM_Get_Next_Res_Des(Handle& next, Handle current, std::uint32_t forType,
                                    std::uint32_t& resourceId) override;
  std::uint32_t CM_Get_Res_Des_Data(Handle resDes, Bytes buffer) override;
  std::uint32_t CM_Free_Res_Des_Handle(Handle resDes) override;
  std::uint32_t CM_Free_Log_Conf_Handle(Handle logConf) override;

 private:
  struct Module {
    std::string base;  // "setupapi", "cfgmgr32", or "" for a file that is not the system's
    std::set<std::string> bound;
  };
  struct InfoSet {
    std::vector<int> nodes;
    std::vector<int> interfaces;  // parallel to nodes for an interface list
  };
  struct Descriptor {
    int node = -1;
    int index = -1;  // -1: the configuration itself
  };

  bool Callable(const char* name);
  bool Fail(std::uint32_t error);
  bool Succeed();
  int NodeOf(DevInst node) const;
  Handle NewHandle() { return nextHandle_ += 4; }

  SimWin32& process_;
  Machine& machine_;
  std::string programPath_;
  Handle nextHandle_ = 0x7000;
  std::map<Handle, Module> modules_;
  std::map<Handle, InfoSet> sets_;
  std::map<Handle, Descriptor> descriptors_;  // configurations and resource descriptors
  std::vector<std::string> loadedFiles_;
};

}  // namespace qz::sim
