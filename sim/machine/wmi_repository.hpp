#pragma once
// What the simulated machine's WMI serves: the instances of a class (derived from the
// machine's disks, plus any a test adds), the "Winmgmt" service, and faults by step name.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/wmi_api.hpp"

namespace qz::sim {

class Machine;

struct WmiInstance {
  std::vector<std::pair<std::string, WmiValue>> properties;  // in the order GetNames gives them
  // An added instance that the first this many queries of its class do not see yet.
  int hiddenForQueries = 0;
  void Set(const std::string& name, const std::string& text);
  void SetArray(const std::string& name, const std::vector<std::string>& items);
  void SetNull(const std::string& name);
};

class WmiRepository {
 public:
  std::string hostName = "QZ-PC";
  // Added after the instances derived from the disks, by class name.
  std::vector<std::pair<std::string, WmiInstance>> extraInstances;
  // Steps that fail: "CoInitialize", "CoInitializeSecurity", "CoCreateInstance",
  // "ConnectServer", "CoSetProxyBlanket", "ExecQuery", "Next", "GetNames".
  std::set<std::string> failingSteps;
  std::set<std::string> failingProperties;
  // Every COM step a program took, in order, and the flags of the last connection.
  std::vector<std::string> calls;
  std::int32_t lastConnectFlags = -1;
  // Queries run so far, by upper-case class name.
  std::map<std::string, int> queriesRun;

  bool Knows(const std::string& className) const;
  std::vector<WmiInstance> Instances(const Machine& machine, const std::string& className) const;
};

// Installs the "Winmgmt" service, running.
void AddWmiService(Machine& machine);

}  // namespace qz::sim
