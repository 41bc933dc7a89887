#include "tools/packer/release.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "updater/package_layout.hpp"

namespace qz::packer {

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

struct Failure {
  std::string message;
};

std::string OverSlot(const std::string& field, const std::string& size, std::size_t slot) {
  return field + ": " + size + " bytes is over its slot of " + std::to_string(slot) + " bytes";
}

// A file larger than its slot is refused before it is read, and one whose size is not known
// beforehand (a pipe, a device) is read no further than one byte past the slot.
std::vector<std::uint8_t> ReadFile(const fs::path& path, const std::string& field,
                                   std::size_t slot) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) {
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > slot) throw Failure{OverSlot(field, std::to_string(size), slot)};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure{field + ": can't read " + path.string()};
  std::vector<std::uint8_t> bytes(slot + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) throw Failure{field + ": can't read " + path.string()};
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > slot) throw Failure{OverSlot(field, "more than " + std::to_string(slot), slot)};
  return bytes;
}

std::string Text(const json& object, const std::string& key, const std::string& field,
                 std::optional<std::string> fallback = std::nullopt) {
  if (!object.contains(key)) {
    if (fallback) return *fallback;
    throw Failure{field + ": missing"};
  }
  if (!object[key].is_string()) throw Failure{field + ": must be a text"};
  return object[key].get<std::string>();
}

Build OptionalBuild(const json& object, const char* name, const std::string& group,
                    const fs::path& base, std::size_t slot) {
  if (!object.contains(name) || object[name].is_null()) return std::nullopt;
  const std::string field = group + "." + name;
  if (!object[name].is_string()) throw Failure{field + ": must be a file name"};
  return ReadFile(base / object[name].get<std::string>(), field, slot);
}

int PackageMode(const json& mode) {
  if (!mode.is_number_integer()) throw Failure{"package_mode: must be an integer"};
  // A value past the signed 64-bit range is held unsigned: read as signed it would wrap.
  const bool fits = mode.is_number_unsigned()
                        ? mode.get<std::uint64_t>() <= 127
                        : mode.get<std::int64_t>() >= -128 && mode.get<std::int64_t>() <= 127;
  if (!fits) throw Failure{"package_mode: must fit a signed byte"};
  return static_cast<int>(mode.get<std::int64_t>());
}

ReleaseModelEntry ModelEntry(const json& m, const std::string& entry) {
  if (!m.is_object()) throw Failure{entry + ": must be an object"};
  ReleaseModelEntry model;
  model.minRevision = Text(m, "min", entry + ".min", "");
  model.maxRevision = Text(m, "max", entry + ".max", "");
  model.modelName = Text(m, "model", entry + ".model", "");
  model.auxText = Text(m, "aux", entry + ".aux", "#");
  return model;
}

// "packages[n]", its image read from beside the release file.
ReleasePackage Package(const json& p, const std::string& field, const fs::path& base) {
  if (!p.is_object()) throw Failure{field + ": must be an object"};
  ReleasePackage package;
  package.imageName = Text(p, "image", field + ".image");
  package.image = ReadFile(base / package.imageName, field + ".image", pkg::kPackageSlotSize);
  package.newRevision = Text(p, "new_fw", field + ".new_fw");
  package.extension = Text(p, "fw_ext", field + ".fw_ext");
  if (p.contains("any_model")) {
    if (!p["any_model"].is_boolean()) throw Failure{field + ".any_model: must be true or false"};
    package.anyModel = p["any_model"].get<bool>();
  }
  if (p.contains("models")) {
    if (!p["models"].is_array()) throw Failure{field + ".models: must be a list"};
    int e = 0;
    for (const json& m : p["models"]) {
      ++e;
      package.models.push_back(ModelEntry(m, field + ".models[" + std::to_string(e) + "]"));
    }
  }
  return package;
}

// The builds of a slot group ("flashers", "copy_helpers"): every key must name a slot.
template <typename Builds, typename Names>
void ReadBuilds(const json& doc, const std::string& group, const Names& names, const fs::path& base,
                std::size_t slotSize, Builds& builds) {
  if (!doc.contains(group)) return;
  if (!doc[group].is_object()) throw Failure{group + ": must be an object"};
  for (const auto& [key, value] : doc[group].items()) {
    bool known = false;
    for (const char* name : names) known = known || key == name;
    if (!known) throw Failure{group + "." + key + ": no such slot"};
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    builds[i] = OptionalBuild(doc[group], names[i], group, base, slotSize);
  }
}

json ParseReleaseFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Failure{"can't read " + path};
  json doc;
  try {
    doc = json::parse(in);
  } catch (const json::parse_error& e) {
    throw Failure{path + ": " + e.what()};
  }
  if (!doc.is_object()) throw Failure{path + ": not a JSON object"};
  return doc;
}

}  // namespace

std::optional<Release> LoadRelease(const std::string& path, std::string& error) {
  try {
    const json doc = ParseReleaseFile(path);
    const fs::path base = fs::path(path).parent_path();
    Release r;
    r.productVersion = Text(doc, "product_version", "product_version");
    r.productTitle = Text(doc, "product_title", "product_title");
    r.releaseDate = Text(doc, "release_date", "release_date");
    r.supportedModel = Text(doc, "supported_model", "supported_model");
    r.options = Text(doc, "options", "options");
    if (doc.contains("package_mode")) r.packageMode = PackageMode(doc["package_mode"]);
    if (doc.contains("packages")) {
      if (!doc["packages"].is_array()) throw Failure{"packages: must be a list"};
      int n = 0;
      for (const json& p : doc["packages"]) {
        ++n;
        r.packages.push_back(Package(p, "packages[" + std::to_string(n) + "]", base));
      }
    }
    ReadBuilds(doc, "flashers", kFlasherNames, base, pkg::kFlasherSlotSize, r.flashers);
    ReadBuilds(doc, "copy_helpers", kCopyHelperNames, base, pkg::kCopySlotSize, r.copyHelpers);
    return r;
  } catch (const Failure& failure) {
    error = failure.message;
    return std::nullopt;
  } catch (const nlohmann::json::exception& e) {
    error = std::string(path) + ": " + e.what();
    return std::nullopt;
  }
}

}  // namespace qz::packer
