#pragma once
// What the simulated machine's WMI serves: the instances of a class (derived from the
// machine's disks, plus any a test adds), the "Winmgmt" service, and faults by step name.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/wmi_api.hpp"

namespace qz::sim {

class Machine;

struct WmiInstance {
  std::vector<std::pair<std::string, WmiValue>> properties;  // in the order GetNames gives them
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
  // Every COM step a program took, in order.
  std::vector<std::string> calls;

  bool Knows(const std::string& className) const;
  std::vector<WmiInstance> Instances(const Machine& machine, const std::string& className) const;
};

// Installs the "Winmgmt" service, running.
void AddWmiService(Machine& machine);

}  // namespace qz::sim
