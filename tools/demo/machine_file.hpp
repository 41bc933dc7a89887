#pragma once
// A machine of the user's, described in JSON:
//   { "title": "Office PC", "windows": "win7-x64", "layout": "ahci" | "ide", "usb": true,
//     "drives": [ { "model": "...", "revision": "VRD5", "extension": "VRD5-2", "serial": "..." } ] }
// Only "windows" is required; "drives" override the layout's ATA drives in disk order.
#include <optional>
#include <string>

#include "tools/demo/demo_machine.hpp"

namespace qz::demo {

// The machine, or nothing with `error` saying which field is wrong.
std::optional<DemoMachine> ParseMachineFile(const std::string& text, std::string& error);

}  // namespace qz::demo
