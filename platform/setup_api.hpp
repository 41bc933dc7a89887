#pragma once
// The Setup API ("Setupapi.dll") and the configuration manager ("cfgmgr32.dll"). Neither is
// linked: a program loads the libraries and binds each function by name, and a function that
// is missing on this Windows is an ordinary state. Calling a function that was not bound fails.
// Properties, ids and resource data arrive as bytes in the system's layouts.
#include <cstdint>
#include <string>

#include "platform/guid.hpp"
#include "platform/types.hpp"

namespace qz {

using DevInst = std::uint32_t;  // a device node of the configuration manager

// SP_DEVINFO_DATA without its size field.
struct DeviceInfoData {
  Guid classGuid;
  DevInst devInst = 0;
  std::uint64_t reserved = 0;  // the Setup API's own reference
};

// SP_DEVICE_INTERFACE_DATA without its size field.
struct DeviceInterfaceData {
  Guid interfaceClassGuid;
  std::uint32_t flags = 0;
  std::uint64_t reserved = 0;  // the Setup API's own reference
};

namespace digcf {
inline constexpr std::uint32_t kDefault = 0x01;
inline constexpr std::uint32_t kPresent = 0x02;
inline constexpr std::uint32_t kAllClasses = 0x04;
inline constexpr std::uint32_t kProfile = 0x08;
inline constexpr std::uint32_t kDeviceInterface = 0x10;
}  // namespace digcf

// Setup API device properties; the configuration manager's CM_DRP_ codes are these plus one.
namespace spdrp {
inline constexpr std::uint32_t kDeviceDesc = 0x00;
inline constexpr std::uint32_t kHardwareId = 0x01;
inline constexpr std::uint32_t kCompatibleIds = 0x02;
inline constexpr std::uint32_t kService = 0x04;
inline constexpr std::uint32_t kClass = 0x07;
inline constexpr std::uint32_t kClassGuid = 0x08;
inline constexpr std::uint32_t kDriver = 0x09;
inline constexpr std::uint32_t kMfg = 0x0B;
inline constexpr std::uint32_t kFriendlyName = 0x0C;
inline constexpr std::uint32_t kLocationInformation = 0x0D;
inline constexpr std::uint32_t kPhysicalDeviceObjectName = 0x0E;
inline constexpr std::uint32_t kUiNumber = 0x10;
inline constexpr std::uint32_t kBusNumber = 0x15;
inline constexpr std::uint32_t kEnumeratorName = 0x16;
inline constexpr std::uint32_t kAddress = 0x1C;
}  // namespace spdrp

namespace cm_drp {
inline constexpr std::uint32_t kDeviceDesc = 0x01;
inline constexpr std::uint32_t kClassGuid = 0x09;
inline constexpr std::uint32_t kDriver = 0x0A;
inline constexpr std::uint32_t kAddress = 0x1D;
}  // namespace cm_drp

// CONFIGRET values.
namespace cr {
inline constexpr std::uint32_t kSuccess = 0x00;
inline constexpr std::uint32_t kInvalidPointer = 0x03;
inline constexpr std::uint32_t kNoSuchDevNode = 0x0D;
inline constexpr std::uint32_t kNoMoreLogConf = 0x0E;
inline constexpr std::uint32_t kNoMoreResDes = 0x0F;
inline constexpr std::uint32_t kFailure = 0x13;
inline constexpr std::uint32_t kBufferSmall = 0x1A;
inline constexpr std::uint32_t kNoSuchValue = 0x25;
inline constexpr std::uint32_t kCallNotImplemented = 0x34;
}  // namespace cr

namespace res_type {
inline constexpr std::uint32_t kAll = 0;
inline constexpr std::uint32_t kMem = 1;
inline constexpr std::uint32_t kIo = 2;
inline constexpr std::uint32_t kDma = 3;
inline constexpr std::uint32_t kIrq = 4;
}  // namespace res_type

inline constexpr std::uint32_t kAllocLogConf = 2;
inline constexpr std::uint32_t kErrorInvalidUserBuffer = 1784;

class SetupApi {
 public:
  virtual ~SetupApi() = default;

  // LoadLibraryA / GetProcAddress / FreeLibrary for the two libraries. Bind remembers the
  // function under its name; only bound functions may be called.
  virtual Handle LoadLibrary(const std::string& path) = 0;
  virtual bool Bind(Handle module, const std::string& name) = 0;
  virtual void FreeLibrary(Handle module) = 0;
  // The directory of the running program's file, without a trailing '\'.
  virtual std::string ProgramDirectory() = 0;
  // The cbSize that SP_DEVICE_INTERFACE_DETAIL_DATA_A takes in this process (5 or 8).
  virtual std::uint32_t InterfaceDetailSize() = 0;

  // ---- Setup API; failures leave the reason in GetLastError of the system seam.
  // classGuid may be null (all classes). kInvalidHandle on failure.
  virtual Handle SetupDiGetClassDevs(const Guid* classGuid, std::uint32_t flags) = 0;
  virtual bool SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, DeviceInfoData& data) = 0;
  virtual bool SetupDiEnumDeviceInterfaces(Handle set, const Guid& interfaceClass,
                                           std::uint32_t index, DeviceInterfaceData& data) = 0;
  // detail: SP_DEVICE_INTERFACE_DETAIL_DATA_A, cbSize set by the caller, the path from offset 4.
  virtual bool SetupDiGetDeviceInterfaceDetail(Handle set, const DeviceInterfaceData& data,
                                               Bytes detail, std::uint32_t& requiredSize) = 0;
  // An empty buffer asks for the size; a short one fails with ERROR_INSUFFICIENT_BUFFER.
  virtual bool SetupDiGetDeviceRegistryProperty(Handle set, const DeviceInfoData& data,
                                                std::uint32_t property, std::uint32_t& regType,
                                                Bytes buffer, std::uint32_t& requiredSize) = 0;
  virtual bool SetupDiGetDeviceInstanceId(Handle set, const DeviceInfoData& data, Bytes buffer,
                                          std::uint32_t& requiredSize) = 0;
  virtual bool SetupDiDestroyDeviceInfoList(Handle set) = 0;

  // ---- configuration manager; each returns a CONFIGRET.
  virtual std::uint32_t CM_Locate_DevNode(DevInst& node, const std::string& instanceId) = 0;
  virtual std::uint32_t CM_Get_Parent(DevInst& parent, DevInst node) = 0;
  // The id NUL-terminated into buffer; CR_BUFFER_SMALL when it does not fit.
  virtual std::uint32_t CM_Get_Device_ID(DevInst node, Bytes buffer) = 0;
  // length: in the buffer's capacity, out the value's length.
  virtual std::uint32_t CM_Get_DevNode_Registry_Property(DevInst node, std::uint32_t property,
                                                         std::uint32_t& regType, Bytes buffer,
                                                         std::uint32_t& length) = 0;
  virtual std::uint32_t CM_Get_First_Log_Conf(Handle& logConf, DevInst node,
                                              std::uint32_t kind) = 0;
  // current is a configuration or a descriptor; resourceId receives the descriptor's type.
  virtual std::uint32_t CM_Get_Next_Res_Des(Handle& next, Handle current, std::uint32_t forType,
                                            std::uint32_t& resourceId) = 0;
  virtual std::uint32_t CM_Get_Res_Des_Data(Handle resDes, Bytes buffer) = 0;
  virtual std::uint32_t CM_Free_Res_Des_Handle(Handle resDes) = 0;
  virtual std::uint32_t CM_Free_Log_Conf_Handle(Handle logConf) = 0;
};

}  // namespace qz
