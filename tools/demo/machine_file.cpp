#include "tools/demo/machine_file.hpp"

#include <nlohmann/json.hpp>

namespace qz::demo {

namespace {

using nlohmann::json;

// The limits of what the drive reports in IDENTIFY and the vendor-unique query.
struct TextField {
  const char* name;
  std::size_t limit;
  std::string DemoDrive::*member;
};
constexpr TextField kDriveFields[] = {
    {"model", 40, &DemoDrive::model},
    {"serial", 20, &DemoDrive::serial},
    {"revision", 8, &DemoDrive::revision},
    {"extension", 8, &DemoDrive::extension},
};

bool Printable(const std::string& s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

}  // namespace

std::optional<DemoMachine> ParseMachineFile(const std::string& text, std::string& error) {
  const json doc = json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  for (const auto& [key, value] : doc.items()) {
    if (key != "title" && key != "windows" && key != "layout" && key != "usb" && key != "drives") {
      error = "unknown field \"" + key + "\"";
      return std::nullopt;
    }
  }
  DemoMachine m;
  m.name = "file";
  if (!doc.contains("windows") || !doc["windows"].is_string()) {
    error = "\"windows\" must name a release:";
    for (const auto& [name, release] : ReleaseNames()) error += " " + name;
    return std::nullopt;
  }
  const std::string windows = doc["windows"];
  bool known = false;
  for (const auto& [name, release] : ReleaseNames()) {
    if (name == windows) {
      m.release = release;
      known = true;
    }
  }
  if (!known) {
    error = "unknown \"windows\" \"" + windows + "\"";
    return std::nullopt;
  }
  m.title = "Windows " + windows;
  if (doc.contains("title")) {
    if (!doc["title"].is_string()) {
      error = "\"title\" must be text";
      return std::nullopt;
    }
    m.title = doc["title"];
  }
  if (doc.contains("layout")) {
    const json& layout = doc["layout"];
    if (layout == "ahci") {
      m.layout = DiskLayout::AhciWithUsb;
    } else if (layout == "ide") {
      m.layout = DiskLayout::LegacyIde;
      m.usbDisk = false;
    } else {
      error = "\"layout\" must be \"ahci\" or \"ide\"";
      return std::nullopt;
    }
  }
  if (doc.contains("usb")) {
    if (!doc["usb"].is_boolean() || (doc["usb"] == true && m.layout == DiskLayout::LegacyIde)) {
      error = "\"usb\" must be true or false (and false on the \"ide\" layout)";
      return std::nullopt;
    }
    m.usbDisk = doc["usb"];
  }
  if (doc.contains("drives")) {
    const json& drives = doc["drives"];
    if (!drives.is_array() || drives.size() > DriveSlots(m.layout)) {
      error = "\"drives\" must be a list of at most " + std::to_string(DriveSlots(m.layout)) + " drives";
      return std::nullopt;
    }
    for (std::size_t i = 0; i < drives.size(); ++i) {
      const json& d = drives[i];
      const std::string where = "drives[" + std::to_string(i) + "]";
      if (!d.is_object()) {
        error = where + " must be an object";
        return std::nullopt;
      }
      DemoDrive drive;
      for (const auto& [key, value] : d.items()) {
        const TextField* field = nullptr;
        for (const auto& f : kDriveFields) {
          if (key == f.name) field = &f;
        }
        if (field == nullptr) {
          error = where + ": unknown field \"" + key + "\"";
          return std::nullopt;
        }
        if (!value.is_string() || value.get<std::string>().size() > field->limit ||
            !Printable(value.get<std::string>())) {
          error = where + "." + key + " must be printable ASCII text of at most " +
                  std::to_string(field->limit) + " characters";
          return std::nullopt;
        }
        drive.*(field->member) = value.get<std::string>();
      }
      m.drives.push_back(drive);
    }
  }
  return m;
}

}  // namespace qz::demo
