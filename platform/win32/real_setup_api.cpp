#include "platform/win32/real_setup_api.hpp"

#include "platform/win32/windows.hpp"

#include <cfgmgr32.h>
#include <setupapi.h>

// The headers' A/W names would rename the seam's own members.
#undef SetupDiGetClassDevs
#undef SetupDiGetDeviceInterfaceDetail
#undef SetupDiGetDeviceRegistryProperty
#undef SetupDiGetDeviceInstanceId
#undef CM_Locate_DevNode
#undef CM_Get_Device_ID
#undef CM_Get_DevNode_Registry_Property

namespace qz {
namespace {

GUID ToGuid(const Guid& g) {
  GUID out{};
  out.Data1 = g.data1;
  out.Data2 = g.data2;
  out.Data3 = g.data3;
  for (int i = 0; i < 8; ++i) out.Data4[i] = g.data4[static_cast<std::size_t>(i)];
  return out;
}

Guid FromGuid(const GUID& g) {
  Guid out;
  out.data1 = g.Data1;
  out.data2 = g.Data2;
  out.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) out.data4[static_cast<std::size_t>(i)] = g.Data4[i];
  return out;
}

HDEVINFO AsSet(Handle h) {
  return h == kInvalidHandle ? INVALID_HANDLE_VALUE
                             : reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(h));
}

SP_DEVINFO_DATA ToInfo(const DeviceInfoData& d) {
  SP_DEVINFO_DATA out{};
  out.cbSize = sizeof(out);
  out.ClassGuid = ToGuid(d.classGuid);
  out.DevInst = d.devInst;
  out.Reserved = static_cast<ULONG_PTR>(d.reserved);
  return out;
}

constexpr DWORD kErrorProcNotFound = 127;

}  // namespace

template <typename F>
F RealSetupApi::Function(const char* name) const {
  auto it = functions_.find(name);
  return it == functions_.end() ? nullptr : reinterpret_cast<F>(it->second.address);
}

Handle RealSetupApi::LoadLibrary(const std::string& path) {
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(::LoadLibraryA(path.c_str())));
}

bool RealSetupApi::Bind(Handle module, const std::string& name) {
  FARPROC p = ::GetProcAddress(reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(module)),
                               name.c_str());
  if (!p) return false;
  functions_[name] = Bound{module, reinterpret_cast<void*>(p)};
  return true;
}

void RealSetupApi::FreeLibrary(Handle module) {
  for (auto it = functions_.begin(); it != functions_.end();) {
    it = it->second.module == module ? functions_.erase(it) : std::next(it);
  }
  ::FreeLibrary(reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(module)));
}

std::string RealSetupApi::ProgramDirectory() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string text(path, n);
  const auto slash = text.rfind('\\');
  return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

std::uint32_t RealSetupApi::InterfaceDetailSize() {
  return sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
}

Handle RealSetupApi::SetupDiGetClassDevs(const Guid* classGuid, std::uint32_t flags) {
  using Fn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
  auto fn = Function<Fn>("SetupDiGetClassDevsA");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return kInvalidHandle;
  }
  GUID g{};
  if (classGuid) g = ToGuid(*classGuid);
  HDEVINFO set = fn(classGuid ? &g : nullptr, nullptr, nullptr, flags);
  return set == INVALID_HANDLE_VALUE ? kInvalidHandle
                                     : static_cast<Handle>(reinterpret_cast<std::uintptr_t>(set));
}

bool RealSetupApi::SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, DeviceInfoData& data) {
  using Fn = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);
  auto fn = Function<Fn>("SetupDiEnumDeviceInfo");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return false;
  }
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof(info);
  if (!fn(AsSet(set), index, &info)) return false;
  data.classGuid = FromGuid(info.ClassGuid);
  data.devInst = info.DevInst;
  data.reserved = info.Reserved;
  return true;
}

bool RealSetupApi::SetupDiEnumDeviceInterfaces(Handle set, const Guid& interfaceClass,
                                               std::uint32_t index, DeviceInterfaceData& data) {
  using Fn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA);
  auto fn = Function<Fn>("SetupDiEnumDeviceInterfaces");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return false;
  }
  const GUID g = ToGuid(interfaceClass);
  SP_DEVICE_INTERFACE_DATA iface{};
  iface.cbSize = sizeof(iface);
  if (!fn(AsSet(set), nullptr, &g, index, &iface)) return false;
  data.interfaceClassGuid = FromGuid(iface.InterfaceClassGuid);
  data.flags = iface.Flags;
  data.reserved = iface.Reserved;
  return true;
}

bool RealSetupApi::SetupDiGetDeviceInterfaceDetail(Handle set, const DeviceInterfaceData& data,
                                                   Bytes detail, std::uint32_t& requiredSize) {
  using Fn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A,
                           DWORD, PDWORD, PSP_DEVINFO_DATA);
  auto fn = Function<Fn>("SetupDiGetDeviceInterfaceDetailA");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return false;
  }
  SP_DEVICE_INTERFACE_DATA iface{};
  iface.cbSize = sizeof(iface);
  iface.InterfaceClassGuid = ToGuid(data.interfaceClassGuid);
  iface.Flags = data.flags;
  iface.Reserved = static_cast<ULONG_PTR>(data.reserved);
  DWORD required = 0;
  const BOOL ok = fn(AsSet(set), &iface,
                     reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detail.data()),
                     static_cast<DWORD>(detail.size()), &required, nullptr);
  requiredSize = required;
  return ok != FALSE;
}

bool RealSetupApi::SetupDiGetDeviceRegistryProperty(Handle set, const DeviceInfoData& data,
                                                    std::uint32_t property,
                                                    std::uint32_t& regType, Bytes buffer,
                                                    std::uint32_t& requiredSize) {
  using Fn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD);
  auto fn = Function<Fn>("SetupDiGetDeviceRegistryPropertyA");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return false;
  }
  SP_DEVINFO_DATA info = ToInfo(data);
  DWORD type = 0, required = 0;
  const BOOL ok = fn(AsSet(set), &info, property, &type, buffer.empty() ? nullptr : buffer.data(),
                     static_cast<DWORD>(buffer.size()), &required);
  regType = type;
  requiredSize = required;
  return ok != FALSE;
}

bool RealSetupApi::SetupDiGetDeviceInstanceId(Handle set, const DeviceInfoData& data, Bytes buffer,
                                              std::uint32_t& requiredSize) {
  using Fn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, PSTR, DWORD, PDWORD);
  auto fn = Function<Fn>("SetupDiGetDeviceInstanceIdA");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return false;
  }
  SP_DEVINFO_DATA info = ToInfo(data);
  DWORD required = 0;
  const BOOL ok = fn(AsSet(set), &info, reinterpret_cast<PSTR>(buffer.data()),
                     static_cast<DWORD>(buffer.size()), &required);
  requiredSize = required;
  return ok != FALSE;
}

bool RealSetupApi::SetupDiDestroyDeviceInfoList(Handle set) {
  using Fn = BOOL(WINAPI*)(HDEVINFO);
  auto fn = Function<Fn>("SetupDiDestroyDeviceInfoList");
  if (!fn) {
    ::SetLastError(kErrorProcNotFound);
    return false;
  }
  return fn(AsSet(set)) != FALSE;
}

std::uint32_t RealSetupApi::CM_Locate_DevNode(DevInst& node, const std::string& instanceId) {
  using Fn = CONFIGRET(WINAPI*)(PDEVINST, DEVINSTID_A, ULONG);
  auto fn = Function<Fn>("CM_Locate_DevNodeA");
  if (!fn) return cr::kCallNotImplemented;
  std::string id = instanceId;
  DEVINST d = 0;
  const CONFIGRET r = fn(&d, id.data(), CM_LOCATE_DEVNODE_NORMAL);
  if (r == CR_SUCCESS) node = d;
  return r;
}

std::uint32_t RealSetupApi::CM_Get_Parent(DevInst& parent, DevInst node) {
  using Fn = CONFIGRET(WINAPI*)(PDEVINST, DEVINST, ULONG);
  auto fn = Function<Fn>("CM_Get_Parent");
  if (!fn) return cr::kCallNotImplemented;
  DEVINST d = 0;
  const CONFIGRET r = fn(&d, node, 0);
  if (r == CR_SUCCESS) parent = d;
  return r;
}

std::uint32_t RealSetupApi::CM_Get_Device_ID(DevInst node, Bytes buffer) {
  using Fn = CONFIGRET(WINAPI*)(DEVINST, PSTR, ULONG, ULONG);
  auto fn = Function<Fn>("CM_Get_Device_IDA");
  if (!fn) return cr::kCallNotImplemented;
  return fn(node, reinterpret_cast<PSTR>(buffer.data()), static_cast<ULONG>(buffer.size()), 0);
}

std::uint32_t RealSetupApi::CM_Get_DevNode_Registry_Property(DevInst node, std::uint32_t property,
                                                             std::uint32_t& regType, Bytes buffer,
                                                             std::uint32_t& length) {
  using Fn = CONFIGRET(WINAPI*)(DEVINST, ULONG, PULONG, PVOID, PULONG, ULONG);
  auto fn = Function<Fn>("CM_Get_DevNode_Registry_PropertyA");
  if (!fn) return cr::kCallNotImplemented;
  ULONG type = 0;
  ULONG size = length < buffer.size() ? length : static_cast<ULONG>(buffer.size());
  const CONFIGRET r = fn(node, property, &type, buffer.data(), &size, 0);
  regType = type;
  length = size;
  return r;
}

std::uint32_t RealSetupApi::CM_Get_First_Log_Conf(Handle& logConf, DevInst node, std::uint32_t kind) {
  using Fn = CONFIGRET(WINAPI*)(PLOG_CONF, DEVINST, ULONG);
  auto fn = Function<Fn>("CM_Get_First_Log_Conf");
  if (!fn) return cr::kCallNotImplemented;
  LOG_CONF conf = 0;
  const CONFIGRET r = fn(&conf, node, kind);
  if (r == CR_SUCCESS) logConf = static_cast<Handle>(conf);
  return r;
}

std::uint32_t RealSetupApi::CM_Get_Next_Res_Des(Handle& next, Handle current, std::uint32_t forType,
                                                std::uint32_t& resourceId) {
  using Fn = CONFIGRET(WINAPI*)(PRES_DES, RES_DES, RESOURCEID, PRESOURCEID, ULONG);
  auto fn = Function<Fn>("CM_Get_Next_Res_Des");
  if (!fn) return cr::kCallNotImplemented;
  RES_DES des = 0;
  RESOURCEID id = 0;
  const CONFIGRET r = fn(&des, static_cast<RES_DES>(current), forType, &id, 0);
  if (r == CR_SUCCESS) {
    next = static_cast<Handle>(des);
    resourceId = id;
  }
  return r;
}

std::uint32_t RealSetupApi::CM_Get_Res_Des_Data(Handle resDes, Bytes buffer) {
  using Fn = CONFIGRET(WINAPI*)(RES_DES, PVOID, ULONG, ULONG);
  auto fn = Function<Fn>("CM_Get_Res_Des_Data");
  if (!fn) return cr::kCallNotImplemented;
  return fn(static_cast<RES_DES>(resDes), buffer.data(), static_cast<ULONG>(buffer.size()), 0);
}

std::uint32_t RealSetupApi::CM_Free_Res_Des_Handle(Handle resDes) {
  using Fn = CONFIGRET(WINAPI*)(RES_DES);
  auto fn = Function<Fn>("CM_Free_Res_Des_Handle");
  if (!fn) return cr::kCallNotImplemented;
  return fn(static_cast<RES_DES>(resDes));
}

std::uint32_t RealSetupApi::CM_Free_Log_Conf_Handle(Handle logConf) {
  using Fn = CONFIGRET(WINAPI*)(LOG_CONF);
  auto fn = Function<Fn>("CM_Free_Log_Conf_Handle");
  if (!fn) return cr::kCallNotImplemented;
  return fn(static_cast<LOG_CONF>(logConf));
}

}  // namespace qz
