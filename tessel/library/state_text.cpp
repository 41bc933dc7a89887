#include "tessel/library/state_text.hpp"

namespace qz::tessel {
namespace {

constexpr StateRow kRows[] = {
    {0, "Operation was successful"},
    {1, "Invalid Function"},
    {2, "Can't load Tessel.vxd or Tessel.sys"},
    {5, "Access denied"},
    {1059, "Circular dependency"},
    {1065, "Database doesn't exist"},
    {1051, "Dependent services running"},
    {52, "Display name already exists"},
    {6, "Invalid handle"},
    {123, "Invalid service name"},
    {87, "Invalid Parameter"},
    {1057, "User account doesn't exist"},
    {1052, "Invalid service control code"},
    {3, "Path not found"},
    {1056, "Service already running"},
    {1061, "Service can't accept control"},
    {1055, "The database is locked"},
    {1075, "Depends on nonexistant service"},
    {1068, "Depends on service that failed"},
    {1058, "Service has been disabled"},
    {1060, "Service doesn't exist"},
    {1073, "Service already exists"},
    {1069, "Service couldn't be logged on"},
    {1072, "Service marked for deletion"},
    {1054, "Couldn't create thread"},
    {1062, "Service hasnt been started"},
    {1053, "Service timed out"},
    {kStateBufferTooSmall, "Buffer too small"},
    {kStateNoDeviceHandle, "No device handle"},
    {kStateNoServiceManager, "Can't connect to Service Control Manager"},
    {kStateUnexpected, "An unexpected error occured"},
};

constexpr std::uint32_t kRowCount = sizeof(kRows) / sizeof(kRows[0]);

}  // namespace

const StateRow* StateTable(std::uint32_t& rows) {
  rows = kRowCount;
  return kRows;
}

const char* StateText(std::uint32_t code) {
  for (const auto& row : kRows) {
    if (row.code == code) return row.text;
  }
  return kRows[kRowCount - 1].text;
}

}  // namespace qz::tessel
