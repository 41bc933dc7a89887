#include "platform/win32/real_win32.hpp"

#include "platform/win32/handle_cast.hpp"
#include "platform/win32/windows.hpp"

namespace qz {
namespace {

using win32::As;
using win32::AsHandle;
using win32::From;
using win32::FromHandle;

// The seam's root keys are the 32-bit constants; on 64-bit Windows the real ones are
// sign-extended pointers.
HKEY AsKey(Handle key) {
  switch (key) {
    case hkey::kClassesRoot: return HKEY_CLASSES_ROOT;
    case hkey::kCurrentUser: return HKEY_CURRENT_USER;
    case hkey::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case hkey::kUsers: return HKEY_USERS;
    case hkey::kDynData: return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000006)));
    default: return As<HKEY>(key);
  }
}

std::string DirectoryFrom(UINT (WINAPI* get)(LPSTR, UINT)) {
  char buffer[1024] = {};
  UINT n = get(buffer, sizeof(buffer));
  if (n == 0 || n >= sizeof(buffer)) return {};
  return std::string(buffer, n);
}

}  // namespace

std::uint32_t RealWin32::GetLastError() { return ::GetLastError(); }
void RealWin32::SetLastError(std::uint32_t code) { ::SetLastError(code); }

bool RealWin32::GetVersionEx(OsVersionInfo& info, bool extended) {
  OSVERSIONINFOEXA vi{};
  vi.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&vi))) return false;
  info = OsVersionInfo{};
  info.majorVersion = vi.dwMajorVersion;
  info.minorVersion = vi.dwMinorVersion;
  info.buildNumber = vi.dwBuildNumber;
  info.platformId = vi.dwPlatformId;
  info.csdVersion = vi.szCSDVersion;
  if (extended) {
    info.servicePackMajor = vi.wServicePackMajor;
    info.servicePackMinor = vi.wServicePackMinor;
    info.suiteMask = vi.wSuiteMask;
    info.productType = vi.wProductType;
  }
  return true;
}

std::uint16_t RealWin32::GetSystemInfoArchitecture() {
  SYSTEM_INFO si{};
  ::GetSystemInfo(&si);
  return si.wProcessorArchitecture;
}

std::uint16_t RealWin32::GetNativeSystemInfoArchitecture() {
  using Fn = void(WINAPI*)(LPSYSTEM_INFO);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
  SYSTEM_INFO si{};
  if (fn) fn(&si); else ::GetSystemInfo(&si);
  return si.wProcessorArchitecture;
}

bool RealWin32::IsWow64Process(bool& wow64) {
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL result = FALSE;
  if (!fn || !fn(::GetCurrentProcess(), &result)) return false;
  wow64 = result != FALSE;
  return true;
}

int RealWin32::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

Handle RealWin32::LoadLibrary(const std::string& name) { return From(::LoadLibraryA(name.c_str())); }

bool RealWin32::HasProcAddress(Handle module, const std::string& name) {
  return ::GetProcAddress(As<HMODULE>(module), name.c_str()) != nullptr;
}

void RealWin32::FreeLibrary(Handle module) { ::FreeLibrary(As<HMODULE>(module)); }

bool RealWin32::GetSystemPowerStatus(PowerStatus& status) {
  SYSTEM_POWER_STATUS ps{};
  if (!::GetSystemPowerStatus(&ps)) return false;
  status.acLineStatus = ps.ACLineStatus;
  status.batteryFlag = ps.BatteryFlag;
  status.batteryLifePercent = ps.BatteryLifePercent;
  return true;
}

bool RealWin32::QueryPerformanceFrequency(std::int64_t& frequency) {
  LARGE_INTEGER li{};
  if (!::QueryPerformanceFrequency(&li)) return false;
  frequency = li.QuadPart;
  return true;
}

bool RealWin32::QueryPerformanceCounter(std::int64_t& count) {
  LARGE_INTEGER li{};
  if (!::QueryPerformanceCounter(&li)) return false;
  count = li.QuadPart;
  return true;
}

std::uint32_t RealWin32::GetTickCount() { return ::GetTickCount(); }
void RealWin32::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::int32_t RealWin32::NtQuerySystemInformation(std::uint32_t infoClass, Bytes buffer,
                                                 std::uint32_t& returned) {
  using Fn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!fn) return static_cast<std::int32_t>(0xC0000002);  // STATUS_NOT_IMPLEMENTED
  ULONG got = 0;
  LONG status = fn(infoClass, buffer.data(), static_cast<ULONG>(buffer.size()), &got);
  returned = got;
  return status;
}

bool RealWin32::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
  return ::ExitWindowsEx(flags, reason) != FALSE;
}

std::intptr_t RealWin32::ShellExecute(Handle owner, const std::string& verb,
                                      const std::string& file, const std::string& parameters,
                                      const std::string& directory, int show) {
  HINSTANCE r = ::ShellExecuteA(As<HWND>(owner), verb.empty() ? nullptr : verb.c_str(),
                                file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                                directory.empty() ? nullptr : directory.c_str(), show);
  return reinterpret_cast<std::intptr_t>(r);
}

LaunchEnd RealWin32::ShellExecuteWait(Handle owner, const std::string& verb,
                                      const std::string& file, const std::string& parameters,
                                      const std::string& directory, int show,
                                      std::uint32_t milliseconds, std::uint32_t& exitCode) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = As<HWND>(owner);
  info.lpVerb = verb.empty() ? nullptr : verb.c_str();
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = show;
  if (!::ShellExecuteExA(&info)) return LaunchEnd::NotStarted;
  // No process handle: the shell handed the file to something else; nothing to wait for.
  if (info.hProcess == nullptr) return LaunchEnd::TimedOut;
  LaunchEnd end = LaunchEnd::TimedOut;
  if (::WaitForSingleObject(info.hProcess, milliseconds) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (::GetExitCodeProcess(info.hProcess, &code)) {
      exitCode = code;
      end = LaunchEnd::Finished;
    }
  }
  ::CloseHandle(info.hProcess);
  return end;
}

bool RealWin32::SetWow64FsRedirection(bool enabled) {
  // Bound by name: 32-bit Windows before XP SP2 lacks both calls.
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return false;
  if (!enabled) {
    using Disable = BOOL(WINAPI*)(PVOID*);
    auto disable = reinterpret_cast<Disable>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    return disable != nullptr && disable(&wow64Redirection_);
  }
  using Revert = BOOL(WINAPI*)(PVOID);
  auto revert = reinterpret_cast<Revert>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
  return revert != nullptr && revert(wow64Redirection_);
}

bool RealWin32::UtcToLocalTime(const CivilTime& utc, CivilTime& local) {
  SYSTEMTIME in{};
  in.wYear = static_cast<WORD>(utc.year);
  in.wMonth = static_cast<WORD>(utc.month);
  in.wDay = static_cast<WORD>(utc.day);
  in.wHour = static_cast<WORD>(utc.hour);
  in.wMinute = static_cast<WORD>(utc.minute);
  in.wSecond = static_cast<WORD>(utc.second);
  SYSTEMTIME out{};
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return false;
  local = {out.wYear, out.wMonth, out.wDay, out.wHour, out.wMinute, out.wSecond};
  return true;
}

std::string RealWin32::GetSystemDirectory() { return DirectoryFrom(::GetSystemDirectoryA); }
std::string RealWin32::GetWindowsDirectory() { return DirectoryFrom(::GetWindowsDirectoryA); }

std::string RealWin32::GetTempPath() {
  char buffer[1024] = {};
  DWORD n = ::GetTempPathA(sizeof(buffer), buffer);
  if (n == 0 || n >= sizeof(buffer)) return {};
  return std::string(buffer, n);
}

Handle RealWin32::CreateFile(const std::string& path, std::uint32_t desiredAccess,
                             std::uint32_t shareMode, std::uint32_t creationDisposition,
                             std::uint32_t flagsAndAttributes) {
  return FromHandle(::CreateFileA(path.c_str(), desiredAccess, shareMode, nullptr,
                                  creationDisposition, flagsAndAttributes, nullptr));
}

bool RealWin32::ReadFile(Handle file, Bytes buffer, std::uint32_t& read) {
  DWORD got = 0;
  BOOL ok = ::ReadFile(AsHandle(file), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
  read = got;
  return ok != FALSE;
}

bool RealWin32::WriteFile(Handle file, ConstBytes data, std::uint32_t& written) {
  DWORD put = 0;
  BOOL ok = ::WriteFile(AsHandle(file), data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
  written = put;
  return ok != FALSE;
}

bool RealWin32::GetFileSize(Handle file, std::uint64_t& size) {
  DWORD high = 0;
  DWORD low = ::GetFileSize(AsHandle(file), &high);
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return false;
  size = (static_cast<std::uint64_t>(high) << 32) | low;
  return true;
}

bool RealWin32::SetFilePointer(Handle file, std::int64_t distance, std::uint32_t method,
                               std::uint64_t& position) {
  LARGE_INTEGER d{};
  d.QuadPart = distance;
  LARGE_INTEGER p{};
  if (!::SetFilePointerEx(AsHandle(file), d, &p, method)) return false;
  position = static_cast<std::uint64_t>(p.QuadPart);
  return true;
}

bool RealWin32::CloseHandle(Handle object) { return ::CloseHandle(AsHandle(object)) != FALSE; }

std::uint32_t RealWin32::GetFileAttributes(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

bool RealWin32::DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

bool RealWin32::CreateDirectory(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool RealWin32::DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                                std::uint32_t& returned) {
  DWORD got = 0;
  BOOL ok = ::DeviceIoControl(AsHandle(device), code, const_cast<std::uint8_t*>(in.data()),
                              static_cast<DWORD>(in.size()), out.data(),
                              static_cast<DWORD>(out.size()), &got, nullptr);
  returned = got;
  return ok != FALSE;
}

std::int32_t RealWin32::RegOpenKeyEx(Handle root, const std::string& subKey, std::uint32_t access,
                                     Handle& key) {
  HKEY k = nullptr;
  LONG r = ::RegOpenKeyExA(AsKey(root), subKey.c_str(), 0, access, &k);
  if (r == ERROR_SUCCESS) key = From(k);
  return r;
}

std::int32_t RealWin32::RegCreateKeyEx(Handle root, const std::string& subKey,
                                       std::uint32_t access, Handle& key) {
  HKEY k = nullptr;
  LONG r = ::RegCreateKeyExA(AsKey(root), subKey.c_str(), 0, nullptr, 0, access, nullptr, &k, nullptr);
  if (r == ERROR_SUCCESS) key = From(k);
  return r;
}

std::int32_t RealWin32::RegQueryValueEx(Handle key, const std::string& name, std::uint32_t& type,
                                        Bytes buffer, std::uint32_t& size) {
  DWORD t = 0;
  DWORD s = buffer.empty() ? 0 : size;
  LONG r = ::RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &t,
                              buffer.empty() ? nullptr : buffer.data(), &s);
  type = t;
  size = s;
  return r;
}

std::int32_t RealWin32::RegSetValueEx(Handle key, const std::string& name, std::uint32_t type,
                                      ConstBytes data) {
  return ::RegSetValueExA(AsKey(key), name.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

std::int32_t RealWin32::RegDeleteValue(Handle key, const std::string& name) {
  return ::RegDeleteValueA(AsKey(key), name.c_str());
}

std::int32_t RealWin32::RegCloseKey(Handle key) { return ::RegCloseKey(AsKey(key)); }

bool RealWin32::OpenProcessToken(std::uint32_t desiredAccess, Handle& token) {
  HANDLE t = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &t)) return false;
  token = From(t);
  return true;
}

bool RealWin32::GetTokenGroups(Handle token, std::uint32_t bufferSize,
                               std::vector<SidAndAttributes>& groups) {
  std::vector<std::uint8_t> buffer(bufferSize);
  DWORD needed = 0;
  if (!::GetTokenInformation(AsHandle(token), TokenGroups, buffer.data(), bufferSize, &needed)) {
    return false;
  }
  const auto* tg = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  groups.clear();
  for (DWORD i = 0; i < tg->GroupCount; ++i) {
    PSID sid = tg->Groups[i].Sid;
    SidAndAttributes entry;
    const SID_IDENTIFIER_AUTHORITY* auth = ::GetSidIdentifierAuthority(sid);
    for (int b = 0; b < 6; ++b) entry.sid.authority[b] = auth->Value[b];
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    for (UCHAR s = 0; s < count; ++s) entry.sid.subAuthorities.push_back(*::GetSidSubAuthority(sid, s));
    entry.attributes = tg->Groups[i].Attributes;
    groups.push_back(std::move(entry));
  }
  return true;
}

bool RealWin32::LookupPrivilegeValue(const std::string& name, std::uint64_t& luid) {
  LUID l{};
  if (!::LookupPrivilegeValueA(nullptr, name.c_str(), &l)) return false;
  luid = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(l.HighPart)) << 32) | l.LowPart;
  return true;
}

bool RealWin32::AdjustTokenPrivilege(Handle token, std::uint64_t luid, bool enable) {
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Luid.LowPart = static_cast<DWORD>(luid);
  tp.Privileges[0].Luid.HighPart = static_cast<LONG>(luid >> 32);
  tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  return ::AdjustTokenPrivileges(AsHandle(token), FALSE, &tp, 0, nullptr, nullptr) != FALSE;
}

bool RealWin32::CloseToken(Handle token) { return ::CloseHandle(AsHandle(token)) != FALSE; }

Handle RealWin32::OpenSCManager(std::uint32_t access) {
  return From(::OpenSCManagerA(nullptr, nullptr, access));
}

Handle RealWin32::CreateService(Handle manager, const std::string& name,
                                const std::string& displayName, std::uint32_t access,
                                std::uint32_t type, std::uint32_t startType,
                                const std::string& binaryPath) {
  return From(::CreateServiceA(As<SC_HANDLE>(manager), name.c_str(), displayName.c_str(), access,
                               type, startType, SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr,
                               nullptr, nullptr, nullptr, nullptr));
}

Handle RealWin32::OpenService(Handle manager, const std::string& name, std::uint32_t access) {
  return From(::OpenServiceA(As<SC_HANDLE>(manager), name.c_str(), access));
}

bool RealWin32::StartService(Handle service) {
  return ::StartServiceA(As<SC_HANDLE>(service), 0, nullptr) != FALSE;
}

bool RealWin32::QueryServiceStatus(Handle service, std::uint32_t& currentState) {
  SERVICE_STATUS st{};
  if (!::QueryServiceStatus(As<SC_HANDLE>(service), &st)) return false;
  currentState = st.dwCurrentState;
  return true;
}

bool RealWin32::ControlService(Handle service, std::uint32_t control, std::uint32_t& currentState) {
  SERVICE_STATUS st{};
  BOOL ok = ::ControlService(As<SC_HANDLE>(service), control, &st);
  currentState = st.dwCurrentState;
  return ok != FALSE;
}

bool RealWin32::DeleteService(Handle service) {
  return ::DeleteService(As<SC_HANDLE>(service)) != FALSE;
}

bool RealWin32::CloseServiceHandle(Handle object) {
  return ::CloseServiceHandle(As<SC_HANDLE>(object)) != FALSE;
}

}  // namespace qz
