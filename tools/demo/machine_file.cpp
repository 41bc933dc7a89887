#include "tools/demo/machine_file.hpp"

#include <cstdint>
#include <set>
#include <utility>

#include <nlohmann/json.hpp>

namespace qz::demo {

namespace {

using nlohmann::json;

struct Refusal {
  std::string message;
};

[[noreturn]] void Refuse(std::string message) { throw Refusal{std::move(message)}; }

bool Printable(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

void OnlyFields(const json& object, const std::string& where, std::initializer_list<const char*> fields) {
  for (const auto& [key, value] : object.items()) {
    bool known = false;
    for (const char* f : fields) known = known || key == f;
    if (!known) Refuse((where.empty() ? "" : where + ": ") + "unknown field \"" + key + "\"");
  }
}

// Printable ASCII text of at most `limit` characters (the drive's IDENTIFY and query fields).
std::string Text(const json& object, const char* key, const std::string& where, std::size_t limit,
                 bool required = false) {
  const std::string field = where.empty() ? key : where + "." + key;
  if (!object.contains(key)) {
    if (required) Refuse(field + " is missing");
    return "";
  }
  const json& v = object[key];
  if (!v.is_string() || v.get<std::string>().size() > limit || !Printable(v.get<std::string>()) ||
      (required && v.get<std::string>().empty())) {
    Refuse(field + " must be printable ASCII text of " + (required ? "1 to " : "at most ") +
           std::to_string(limit) + " characters");
  }
  return v.get<std::string>();
}

std::int64_t Number(const json& object, const char* key, const std::string& where, std::int64_t low,
                    std::int64_t high, std::int64_t fallback) {
  if (!object.contains(key)) return fallback;
  const json& v = object[key];
  const std::string field = where.empty() ? key : where + "." + key;
  if (!v.is_number_integer() || v.get<std::int64_t>() < low || v.get<std::int64_t>() > high) {
    Refuse(field + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
  }
  return v.get<std::int64_t>();
}

// The highest service pack each release had.
int LastServicePack(sim::Windows release) {
  using sim::Windows;
  switch (release) {
    case Windows::XpHome:
    case Windows::XpPro: return 3;
    case Windows::Server2008R2:
    case Windows::Win7X86:
    case Windows::Win7X64: return 1;
    default: return IsWindows8OrLater(release) ? 0 : 2;
  }
}

// "major.minor", each at most three digits.
bool IsVersion(const std::string& v) {
  const auto dot = v.find('.');
  if (dot == std::string::npos || dot == 0 || dot > 3 || v.size() - dot - 1 == 0 || v.size() - dot - 1 > 3) {
    return false;
  }
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (i != dot && (v[i] < '0' || v[i] > '9')) return false;
  }
  return true;
}

DemoController ParseController(const json& c, const std::string& where) {
  if (!c.is_object()) Refuse(where + " must be an object");
  OnlyFields(c, where, {"kind", "driver", "version", "pass_through"});
  DemoController controller;
  const std::string kind = Text(c, "kind", where, 16, true);
  bool known = false;
  for (auto k : {sim::SataKind::IntelAhci, sim::SataKind::IntelIde, sim::SataKind::Sil3124}) {
    if (kind == ControllerKindName(k)) {
      controller.kind = k;
      known = true;
    }
  }
  if (!known) Refuse(where + ".kind must be \"ahci\", \"ide\" or \"sil3124\"");
  controller.driver = Text(c, "driver", where, 32);
  controller.version = Text(c, "version", where, 7);
  if (!controller.version.empty() && !IsVersion(controller.version)) {
    Refuse(where + ".version must be \"major.minor\", e.g. \"2.2\"");
  }
  if (c.contains("pass_through")) {
    if (!c["pass_through"].is_boolean()) Refuse(where + ".pass_through must be true or false");
    controller.passThrough = c["pass_through"].get<bool>();
  }
  return controller;
}

DemoDisk ParseDisk(const json& d, const std::string& where, const DemoMachine& m,
                   std::set<std::pair<std::size_t, unsigned>>& taken) {
  if (!d.is_object()) Refuse(where + " must be an object");
  OnlyFields(d, where, {"bus", "controller", "port", "model", "revision", "extension", "serial", "identify", "timeouts"});
  DemoDisk disk;
  const std::string bus = Text(d, "bus", where, 8);
  if (bus == "usb") {
    disk.usb = true;
  } else if (!bus.empty() && bus != "sata") {
    Refuse(where + ".bus must be \"sata\" or \"usb\"");
  }
  disk.model = Text(d, "model", where, 40, !disk.usb);
  disk.revision = Text(d, "revision", where, 8, !disk.usb);
  disk.extension = Text(d, "extension", where, 8);
  disk.serial = Text(d, "serial", where, 20);
  if (disk.usb) {
    for (const char* key : {"controller", "port", "identify", "timeouts"}) {
      if (d.contains(key)) Refuse(where + "." + key + " does not apply to a USB disk (it gets no drive commands)");
    }
    if (disk.model.empty()) disk.model = "SANDISK CRUZER BLADE";
    if (disk.revision.empty()) disk.revision = "1.26";
    return disk;
  }
  if (m.controllers.empty()) Refuse(where + ": a SATA disk needs a controller");
  disk.controller = static_cast<std::size_t>(
      Number(d, "controller", where, 0, static_cast<std::int64_t>(m.controllers.size()) - 1, 0));
  const sim::SataKind kind = m.controllers[disk.controller].kind;
  const unsigned ports = ControllerPositions(kind);
  unsigned next = 0;
  while (next < ports && taken.count({disk.controller, next})) ++next;
  disk.position = static_cast<unsigned>(Number(d, "port", where, 0, ports - 1, next));
  if (next == ports && !d.contains("port")) {
    Refuse(where + ": controllers[" + std::to_string(disk.controller) + "] has no free port left");
  }
  if (!taken.insert({disk.controller, disk.position}).second) {
    Refuse(where + ".port " + std::to_string(disk.position) + " of controllers[" +
           std::to_string(disk.controller) + "] holds another disk");
  }
  const std::string identify = Text(d, "identify", where, 8);
  if (identify == "slowly") {
    disk.identify = IdentifyAnswer::Slowly;
  } else if (identify == "never") {
    disk.identify = IdentifyAnswer::Never;
  } else if (!identify.empty() && identify != "answers") {
    Refuse(where + ".identify must be \"answers\", \"slowly\" or \"never\"");
  }
  if (d.contains("timeouts") && disk.identify != IdentifyAnswer::Slowly) {
    Refuse(where + ".timeouts applies only with \"identify\": \"slowly\"");
  }
  disk.identifyTimeouts = static_cast<unsigned>(Number(d, "timeouts", where, 1, 20, 3));
  return disk;
}

// The short form: a sample layout whose SATA drives the file may re-describe.
void ParseLayout(const json& doc, DemoMachine& m) {
  bool ide = false;
  if (doc.contains("layout")) {
    if (doc["layout"] == "ide") {
      ide = true;
    } else if (doc["layout"] != "ahci") {
      Refuse("\"layout\" must be \"ahci\" or \"ide\"");
    }
  }
  bool usb = !ide;
  if (doc.contains("usb")) {
    if (!doc["usb"].is_boolean() || (doc["usb"] == true && ide)) {
      Refuse("\"usb\" must be true or false (and false on the \"ide\" layout)");
    }
    usb = doc["usb"].get<bool>();
  }
  const DemoMachine layout = ide ? LegacyIdeMachine(m.name, m.title, m.release)
                                 : AhciDesktop(m.name, m.title, m.release, usb);
  m.controllers = layout.controllers;
  m.disks = layout.disks;
  if (!doc.contains("drives")) return;
  const json& drives = doc["drives"];
  if (!drives.is_array() || drives.size() > 2) Refuse("\"drives\" must be a list of at most 2 drives");
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const std::string where = "drives[" + std::to_string(i) + "]";
    const json& d = drives[i];
    if (!d.is_object()) Refuse(where + " must be an object");
    OnlyFields(d, where, {"model", "serial", "revision", "extension"});
    DemoDisk& disk = m.disks[i];
    const std::string model = Text(d, "model", where, 40), serial = Text(d, "serial", where, 20);
    const std::string revision = Text(d, "revision", where, 8), extension = Text(d, "extension", where, 8);
    if (!model.empty()) disk.model = model;
    if (!serial.empty()) disk.serial = serial;
    if (!revision.empty()) disk.revision = disk.extension = revision;
    if (!extension.empty()) disk.extension = extension;
  }
}

DemoMachine Parse(const std::string& text) {
  const json doc = json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) Refuse("not a JSON object");
  OnlyFields(doc, "", {"title", "windows", "service_pack", "battery", "fast_startup", "controllers", "disks", "layout",
                       "usb", "drives"});
  DemoMachine m;
  m.name = "file";
  if (!doc.contains("windows") || !doc["windows"].is_string()) {
    std::string names;
    for (const auto& [name, release] : ReleaseNames()) names += " " + name;
    Refuse("\"windows\" must name a release:" + names);
  }
  const std::string windows = doc["windows"].get<std::string>();
  bool known = false;
  for (const auto& [name, release] : ReleaseNames()) {
    if (name == windows) {
      m.release = release;
      known = true;
    }
  }
  if (!known) Refuse("unknown \"windows\" \"" + (Printable(windows) ? windows.substr(0, 40) : "?") + "\"");
  m.title = "Windows " + windows;
  if (doc.contains("title")) m.title = Text(doc, "title", "", 80);
  m.servicePack = static_cast<int>(Number(doc, "service_pack", "", 0, LastServicePack(m.release), -1));
  // On as Windows 8 and later ship; before Windows 8 there is no such thing.
  m.fastStartup = IsWindows8OrLater(m.release);
  if (doc.contains("fast_startup")) {
    if (!doc["fast_startup"].is_boolean() || !IsWindows8OrLater(m.release)) {
      Refuse("\"fast_startup\" must be true or false, on Windows 8 and later only");
    }
    m.fastStartup = doc["fast_startup"].get<bool>();
  }
  const std::string battery = Text(doc, "battery", "", 8);
  if (battery == "low") {
    m.lowBattery = true;
  } else if (!battery.empty() && battery != "ac") {
    Refuse("\"battery\" must be \"ac\" or \"low\"");
  }

  const bool longForm = doc.contains("controllers") || doc.contains("disks");
  if (!longForm) {
    ParseLayout(doc, m);
    return m;
  }
  for (const char* key : {"layout", "usb", "drives"}) {
    if (doc.contains(key)) Refuse(std::string("\"") + key + "\" belongs to the short form; use \"disks\" alone");
  }
  if (doc.contains("controllers")) {
    const json& list = doc["controllers"];
    if (!list.is_array() || list.size() > kMaxControllers) {
      Refuse("\"controllers\" must be a list of at most " + std::to_string(kMaxControllers) + " controllers");
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
      m.controllers.push_back(ParseController(list[i], "controllers[" + std::to_string(i) + "]"));
    }
  } else {
    m.controllers = {DemoController{}};
  }
  if (!doc.contains("disks") || !doc["disks"].is_array() || doc["disks"].empty() ||
      doc["disks"].size() > kMaxDisks) {
    Refuse("\"disks\" must be a list of 1 to " + std::to_string(kMaxDisks) + " disks");
  }
  std::set<std::pair<std::size_t, unsigned>> taken;
  const json& disks = doc["disks"];
  for (std::size_t i = 0; i < disks.size(); ++i) {
    m.disks.push_back(ParseDisk(disks[i], "disks[" + std::to_string(i) + "]", m, taken));
  }
  return m;
}

}  // namespace

std::optional<DemoMachine> ParseMachineFile(const std::string& text, std::string& error) {
  try {
    return Parse(text);
  } catch (const Refusal& r) {
    error = r.message;
  } catch (const json::exception& e) {
    error = std::string("not a machine description: ") + e.what();
  }
  return std::nullopt;
}

}  // namespace qz::demo
