#include "discovery/wmi_query.hpp"

#include <cctype>
#include <charconv>

#include "platform/service_api.hpp"
#include "platform/text.hpp"

namespace qz {
namespace {

constexpr char kServiceName[] = "Winmgmt";
constexpr char kNamespace[] = "ROOT\\CIMV2";
constexpr std::uint32_t kScManagerConnect = 0x0001;
constexpr std::uint32_t kServiceQueryStatus = 0x0004;
constexpr std::uint32_t kServiceStart = 0x0010;
// GetNames: non-system properties with the system-only bits, as the query has always asked.
constexpr std::int32_t kGetNamesFlags = 0x70;

bool Failed(std::int32_t result) { return result < 0; }

std::string QueryText(const std::string& className) {
  try {
    return "Select * from " + className;
  } catch (...) {
    return "Select * from Win32_DiskDrive";
  }
}

}  // namespace

std::string WmiValueText(const WmiValue& value) {
  std::string text;
  for (std::size_t i = 0; i < value.items.size(); ++i) {
    if (i > 0) text += ", ";
    text += value.items[i];
  }
  return text;
}

WmiDiskQuery::WmiDiskQuery(Win32Api& api, WmiApi& wmi, TraceFile& trace,
                           std::uint32_t majorVersion, std::uint32_t minorVersion)
    : api_(api), wmi_(wmi), trace_(trace), major_(majorVersion), minor_(minorVersion) {}

void WmiDiskQuery::Trace(bool traced, const char* text) {
  if (traced) trace_.Append(text);
}

bool WmiDiskQuery::ServiceRunning() {
  const Handle manager = api_.OpenSCManager(kScManagerConnect);
  if (manager == kNullHandle) return false;
  bool running = false;
  const Handle service = api_.OpenService(manager, kServiceName, kServiceQueryStatus);
  if (service != kNullHandle) {
    std::uint32_t state = 0;
    running = api_.QueryServiceStatus(service, state) && state == service_state::kRunning;
    api_.CloseServiceHandle(service);
  }
  api_.CloseServiceHandle(manager);
  return running;
}

bool WmiDiskQuery::TryStartService() {
  const Handle manager = api_.OpenSCManager(kScManagerConnect);
  if (manager == kNullHandle) return false;
  bool running = false;
  const Handle service =
      api_.OpenService(manager, kServiceName, kServiceStart | kServiceQueryStatus);
  if (service != kNullHandle) {
    std::uint32_t state = 0;
    if (api_.QueryServiceStatus(service, state) && state == service_state::kStopped) {
      api_.StartService(service);
    }
    for (std::uint32_t waited = 0;; waited += kPollMs) {
      if (!api_.QueryServiceStatus(service, state)) break;
      if (state == service_state::kRunning) {
        running = true;
        break;
      }
      if (waited >= kStartWaitMs) break;
      api_.Sleep(kPollMs);
    }
    api_.CloseServiceHandle(service);
  }
  api_.CloseServiceHandle(manager);
  return running;
}

bool WmiDiskQuery::EnsureService() {
  bool running = ServiceRunning();
  for (int attempt = 0; !running && attempt < kStartAttempts; ++attempt) {
    trace_.Append("Service not running\n");
    running = TryStartService();
  }
  return running;
}

bool WmiDiskQuery::Open(const std::string& query, bool traced, Session& s) {
  Trace(traced, "CoInitialize\n");
  if (Failed(wmi_.CoInitialize())) return false;
  Trace(traced, "CoInitializeSecurity\n");
  if (Failed(wmi_.CoInitializeSecurity(rpc::kAuthnLevelDefault, rpc::kImpLevelImpersonate,
                                       rpc::kEoacNone))) {
    Trace(traced, "CoInitializeSecurity failed\n");
  }
  const bool xpOrLater = major_ > 5 || (major_ == 5 && minor_ >= 1);
  bool ok = false;
  Trace(traced, "CoCreateInstance\n");
  if (!Failed(wmi_.CreateLocator(s.locator))) {
    Trace(traced, "ConnectServer\n");
    if (!Failed(wmi_.ConnectServer(s.locator, kNamespace,
                                   xpOrLater ? wbem_flag::kConnectUseMaxWait : 0, s.services))) {
      Trace(traced, "CoSetProxyBlanket\n");
      if (!Failed(wmi_.SetProxyBlanket(s.services, rpc::kAuthnWinNt, rpc::kAuthzNone,
                                       rpc::kAuthnLevelCall, rpc::kImpLevelImpersonate,
                                       rpc::kEoacNone))) {
        Trace(traced, "ExecQuery\n");
        ok = !Failed(wmi_.ExecQuery(s.services, "WQL", query,
                                    wbem_flag::kForwardOnly | wbem_flag::kReturnImmediately,
                                    s.enumerator));
      }
    }
  }
  if (!ok) Close(s);
  return ok;
}

void WmiDiskQuery::Close(Session& s) {
  for (Handle* h : {&s.enumerator, &s.services, &s.locator}) {
    if (*h != kNullHandle) wmi_.Release(*h);
    *h = kNullHandle;
  }
  wmi_.CoUninitialize();
}

bool WmiDiskQuery::WmiQuery(const std::string& className, std::vector<std::string>* lines,
                            const std::string* property, int& count) {
  count = 0;
  if (!EnsureService()) {
    trace_.Append("wmi error\n");
    return false;
  }
  Session s;
  if (!Open(QueryText(className), true, s)) return false;
  for (;;) {
    Handle object = kNullHandle;
    std::uint32_t returned = 0;
    if (Failed(wmi_.Next(s.enumerator, wbem_flag::kInfinite, object, returned)) || returned == 0) {
      break;
    }
    trace_.Append("Process enumerator\n");
    ++count;
    std::vector<std::string> names;
    if (lines && !Failed(wmi_.GetNames(object, kGetNamesFlags, names))) {
      trace_.Append("GetNames OK\n");
      for (const auto& name : names) {
        if (property && name != *property) continue;
        WmiValue value;
        if (Failed(wmi_.Get(object, name, value))) continue;
        lines->push_back(name + "=" + WmiValueText(value));
      }
    }
    wmi_.Release(object);
  }
  Close(s);
  return true;
}

std::int16_t WmiDiskQuery::DiskCount() {
  int count = 0;
  if (!WmiQuery("Win32_DiskDrive", nullptr, nullptr, count)) return 0;
  return static_cast<std::int16_t>(count);
}

bool WmiDiskQuery::DiskRecords(std::vector<WmiDiskInfo>& records) {
  if (!EnsureService()) return false;
  Session s;
  if (!Open("Select * from Win32_DiskDrive", false, s)) return false;
  for (;;) {
    Handle object = kNullHandle;
    std::uint32_t returned = 0;
    if (Failed(wmi_.Next(s.enumerator, wbem_flag::kInfinite, object, returned)) || returned == 0) {
      break;
    }
    WmiDiskInfo& info = records.emplace_back();
    std::vector<std::string> names;
    if (!Failed(wmi_.GetNames(object, kGetNamesFlags, names))) {
      for (const auto& name : names) {
        WmiValue value;
        if (Failed(wmi_.Get(object, name, value))) continue;
        const std::string text = WmiValueText(value);
        if (!text.empty()) StoreWmiProperty(info, name, text);
      }
    }
    wmi_.Release(object);
  }
  Close(s);
  return true;
}

namespace {

// `\\HOST\root\cimv2:Win32_DiskPartition.DeviceID="Disk #3, Partition #0"` gives 3. The
// key's name is matched without case, as WMI matches it ("DeviceId" under some providers).
bool DiskNumberOf(const std::string& line, std::uint32_t& disk) {
  const auto at = ToUpperAscii(line).find("DEVICEID=");
  if (at == std::string::npos) return false;
  std::string text = line.substr(at + 9);
  if (text.empty()) return false;
  text.pop_back();  // the closing quote
  const auto hash = text.find('#');
  const auto comma = text.find(',');
  if (hash == std::string::npos || comma == std::string::npos || comma <= hash + 1) return false;
  const char* first = text.data() + hash + 1;
  const char* last = text.data() + comma;
  auto [p, ec] = std::from_chars(first, last, disk);
  return ec == std::errc() && p == last;
}

// `\\HOST\root\cimv2:Win32_LogicalDisk.DeviceID="C:"` gives 'C'.
bool LetterOf(const std::string& line, char& letter) {
  const auto at = ToUpperAscii(line).find("DEVICEID=\"");
  if (at == std::string::npos) return false;
  const std::string text = line.substr(at + 10);
  const auto close = text.find('"');
  const std::string id = ToUpperAscii(text.substr(0, close));
  if (id.empty() || id[0] < 'A' || id[0] > 'Z') return false;
  letter = id[0];
  return true;
}

}  // namespace

bool WmiDiskQuery::LogicalDiskMap(LogicalDiskMapArray& map) {
  map = LogicalDiskMapArray{};
  std::vector<std::string> antecedents, dependents;
  const std::string antecedent = "Antecedent", dependent = "Dependent";
  int antecedentCount = 0, dependentCount = 0;
  if (!WmiQuery("Win32_LogicalDiskToPartition", &antecedents, &antecedent, antecedentCount) ||
      !WmiQuery("Win32_LogicalDiskToPartition", &dependents, &dependent, dependentCount) ||
      antecedentCount != dependentCount) {
    return false;
  }
  // An instance without the property gives no line; only whole pairs are read.
  const std::size_t n = std::min(antecedents.size(), dependents.size());
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t disk = 0;
    char letter = 0;
    if (!DiskNumberOf(antecedents[i], disk) || !LetterOf(dependents[i], letter)) return false;
    if (disk >= map.size()) continue;
    map[disk].DiskNumber = disk;
    map[disk].Letters[static_cast<std::size_t>(letter - 'A')] = 1;
  }
  return true;
}

}  // namespace qz
