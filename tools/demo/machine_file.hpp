#pragma once
// A machine of the user's, described in JSON. Only "windows" is required:
//   { "title": "Office PC", "windows": "xp", "service_pack": 1, "battery": "ac" | "low",
//     "fast_startup": true | false (Windows 8 and later; on when not given),
//     "controllers": [ { "kind": "ahci" | "ide" | "sil3124", "driver": "iaStor", "version": "2.2",
//                        "pass_through": true | false } ],
//     "disks": [ { "bus": "sata" | "usb", "controller": 0, "port": 0, "model": "...", "revision": "VRD5",
//                  "extension": "VRD5-2", "serial": "...", "identify": "answers" | "slowly" | "never",
//                  "timeouts": 3 } ] }
// Disks are in device-number order (at most 16). The earlier short form is still read:
//   { "windows": ..., "layout": "ahci" | "ide", "usb": true, "drives": [ { "model": ..., ... } ] }
// where "drives" override what the layout's SATA drives report, in disk order.
#include <optional>
#include <string>

#include "tools/demo/demo_machine.hpp"

namespace qz::demo {

// The machine, or nothing with `error` saying which field is wrong.
std::optional<DemoMachine> ParseMachineFile(const std::string& text, std::string& error);

}  // namespace qz::demo
