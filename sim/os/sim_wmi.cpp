#include "sim/os/sim_wmi.hpp"

#include "platform/service_api.hpp"
#include "platform/text.hpp"

namespace qz::sim {
namespace {

constexpr std::int32_t kCoNotInitialized = static_cast<std::int32_t>(0x800401F0u);
constexpr std::int32_t kWbemInvalidNamespace = static_cast<std::int32_t>(0x8004100Eu);
constexpr std::int32_t kWbemInvalidQueryType = static_cast<std::int32_t>(0x80041018u);
constexpr std::int32_t kWbemInvalidQuery = static_cast<std::int32_t>(0x80041017u);
constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057u);

}  // namespace

SimWmi::SimWmi(SimWin32& process) : process_(process), machine_(process.machine()) {}

bool SimWmi::Fails(const char* step) {
  machine_.wmi.calls.push_back(step);
  return machine_.wmi.failingSteps.count(step) != 0;
}

Handle SimWmi::Add(Entry entry) {
  const Handle h = next_ += 4;
  objects_.emplace(h, std::move(entry));
  return h;
}

SimWmi::Entry* SimWmi::Find(Handle h, Kind kind) {
  auto it = objects_.find(h);
  return it == objects_.end() || it->second.kind != kind ? nullptr : &it->second;
}

std::size_t SimWmi::OpenObjectCount() const { return objects_.size(); }

std::int32_t SimWmi::CoInitialize() {
  if (Fails("CoInitialize")) return hr::kFail;
  return comDepth_++ == 0 ? hr::kOk : hr::kFalse;
}

void SimWmi::CoUninitialize() {
  machine_.wmi.calls.push_back("CoUninitialize");
  if (comDepth_ > 0) --comDepth_;
}

std::int32_t SimWmi::CoInitializeSecurity(std::uint32_t, std::uint32_t, std::uint32_t) {
  if (Fails("CoInitializeSecurity")) return hr::kRpcTooLate;
  return comDepth_ > 0 ? hr::kOk : kCoNotInitialized;
}

std::int32_t SimWmi::CreateLocator(Handle& locator) {
  if (Fails("CoCreateInstance")) return hr::kFail;
  if (comDepth_ == 0) return kCoNotInitialized;
  locator = Add(Entry{Kind::Locator, {}, 0, {}});
  return hr::kOk;
}

std::int32_t SimWmi::ConnectServer(Handle locator, const std::string& nameSpace,
                                   std::int32_t flags, Handle& services) {
  if (Fails("ConnectServer")) return hr::kWbemFailed;
  machine_.wmi.lastConnectFlags = flags;
  if (!Find(locator, Kind::Locator)) return kInvalidArg;
  if (!EqualsIgnoreCase(nameSpace, "ROOT\\CIMV2")) return kWbemInvalidNamespace;
  auto* service = machine_.services.Find("Winmgmt");
  if (!service || service->state != service_state::kRunning) return hr::kRpcUnavailable;
  services = Add(Entry{Kind::Services, {}, 0, {}});
  return hr::kOk;
}

std::int32_t SimWmi::SetProxyBlanket(Handle services, std::uint32_t, std::uint32_t, std::uint32_t,
                                     std::uint32_t, std::uint32_t) {
  if (Fails("CoSetProxyBlanket")) return hr::kFail;
  return Find(services, Kind::Services) ? hr::kOk : kInvalidArg;
}

std::int32_t SimWmi::ExecQuery(Handle services, const std::string& language,
                               const std::string& query, std::int32_t, Handle& enumerator) {
  if (Fails("ExecQuery")) return hr::kWbemFailed;
  if (!Find(services, Kind::Services)) return kInvalidArg;
  if (!EqualsIgnoreCase(language, "WQL")) return kWbemInvalidQueryType;
  // Only the form the updater sends: "Select * from CLASS".
  const std::string prefix = "SELECT * FROM ";
  if (query.size() <= prefix.size() || ToUpperAscii(query.substr(0, prefix.size())) != prefix) {
    return kWbemInvalidQuery;
  }
  const std::string className = query.substr(prefix.size());
  if (!machine_.wmi.Knows(className)) return hr::kWbemInvalidClass;
  Entry e{Kind::Enumerator, machine_.wmi.Instances(machine_, className), 0, {}};
  ++machine_.wmi.queriesRun[ToUpperAscii(className)];
  enumerator = Add(std::move(e));
  return hr::kOk;
}

std::int32_t SimWmi::Next(Handle enumerator, std::int32_t, Handle& object, std::uint32_t& returned) {
  returned = 0;
  Entry* e = Find(enumerator, Kind::Enumerator);
  if (!e) return kInvalidArg;
  if (e->position >= e->results.size()) return hr::kFalse;
  if (machine_.wmi.failingSteps.count("Next")) return hr::kWbemFailed;
  WmiInstance instance = e->results[e->position++];
  object = Add(Entry{Kind::Object, {}, 0, std::move(instance)});
  returned = 1;
  return hr::kOk;
}

std::int32_t SimWmi::GetNames(Handle object, std::int32_t, std::vector<std::string>& names) {
  Entry* e = Find(object, Kind::Object);
  if (!e) return kInvalidArg;
  if (machine_.wmi.failingSteps.count("GetNames")) return hr::kWbemFailed;
  names.clear();
  for (const auto& [name, value] : e->instance.properties) names.push_back(name);
  return hr::kOk;
}

std::int32_t SimWmi::Get(Handle object, const std::string& name, WmiValue& value) {
  Entry* e = Find(object, Kind::Object);
  if (!e) return kInvalidArg;
  if (machine_.wmi.failingProperties.count(name)) return hr::kWbemFailed;
  for (const auto& [n, v] : e->instance.properties) {
    if (EqualsIgnoreCase(n, name)) {
      value = v;
      return hr::kOk;
    }
  }
  return hr::kWbemNotFound;
}

void SimWmi::Release(Handle object) { objects_.erase(object); }

}  // namespace qz::sim
