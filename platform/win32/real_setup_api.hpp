#pragma once
// The Setup API and the configuration manager of the running Windows, each function called
// through the address it was bound to by name.
#include <map>
#include <string>

#include "platform/setup_api.hpp"

namespace qz {

class RealSetupApi final : public SetupApi {
 public:
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
  template <typename F>
  F Function(const char* name) const;

  struct Bound {
    Handle module;
    void* address;
  };
  std::map<std::string, Bound> functions_;
};

}  // namespace qz
