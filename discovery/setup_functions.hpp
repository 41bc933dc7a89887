#pragma once
// The Setup API and configuration-manager functions discovery binds by name, with whether
// the support check requires them.
#include <array>
#include <cstddef>

namespace qz {

enum class SetupLibrary { SetupApi, CfgMgr };

struct SetupFunction {
  SetupLibrary library;
  const char* name;
  bool required;
};

inline constexpr std::array<SetupFunction, 27> kSetupFunctions{{
    {SetupLibrary::SetupApi, "SetupDiGetClassDevsA", true},
    {SetupLibrary::SetupApi, "SetupDiEnumDeviceInfo", true},
    {SetupLibrary::SetupApi, "SetupDiEnumDeviceInterfaces", true},
    {SetupLibrary::SetupApi, "SetupDiGetDeviceInterfaceDetailA", true},
    {SetupLibrary::SetupApi, "SetupDiDestroyDeviceInfoList", true},
    {SetupLibrary::SetupApi, "SetupDiGetDeviceRegistryPropertyA", true},
    {SetupLibrary::SetupApi, "SetupDiGetClassImageIndex", true},
    {SetupLibrary::SetupApi, "SetupDiCallClassInstaller", true},
    {SetupLibrary::SetupApi, "SetupDiSetClassInstallParamsA", true},
    {SetupLibrary::SetupApi, "SetupDiOpenClassRegKey", true},
    {SetupLibrary::SetupApi, "SetupDiGetClassImageList", true},
    {SetupLibrary::SetupApi, "SetupDiDestroyClassImageList", true},
    {SetupLibrary::SetupApi, "SetupDiGetDeviceInstanceIdA", true},
    {SetupLibrary::CfgMgr, "CM_Get_Device_IDA", true},
    {SetupLibrary::CfgMgr, "CM_Get_Child", true},
    {SetupLibrary::CfgMgr, "CM_Get_DevNode_Registry_PropertyA", true},
    {SetupLibrary::CfgMgr, "CM_Get_Sibling", true},
    {SetupLibrary::CfgMgr, "CM_Get_Parent", true},
    {SetupLibrary::CfgMgr, "CM_Get_DevNode_Status", true},
    {SetupLibrary::CfgMgr, "CM_Locate_DevNodeA", true},
    {SetupLibrary::CfgMgr, "CM_Reenumerate_DevNode", true},
    {SetupLibrary::CfgMgr, "CM_Get_First_Log_Conf", false},
    {SetupLibrary::CfgMgr, "CM_Get_Next_Log_Conf", false},
    {SetupLibrary::CfgMgr, "CM_Get_Next_Res_Des", false},
    {SetupLibrary::CfgMgr, "CM_Get_Res_Des_Data", false},
    {SetupLibrary::CfgMgr, "CM_Free_Res_Des_Handle", false},
    {SetupLibrary::CfgMgr, "CM_Free_Log_Conf_Handle", false},
}};

}  // namespace qz
