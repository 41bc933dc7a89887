#include "tools/packer/packer.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>

#include "bootflash/image_marks.hpp"
#include "bootflash/revision_mark.hpp"
#include "staging/pe_image.hpp"
#include "tools/packer/admission_check.hpp"
#include "updater/package_block.hpp"
#include "updater/package_layout.hpp"
#include "updater/package_markers.hpp"

namespace qz::packer {

namespace {

using namespace pkg;

struct Marker {
  std::string text;
  std::size_t offset;  // where the layout puts it
};

std::vector<Marker> Markers() {
  std::vector<Marker> markers = {{std::string(kOptionKey), kOptionString},
                                 {std::string(kBootCodeMarker), kBootCodeArea},
                                 {std::string(kAesBufMarker), kAesBufArea}};
  for (int n = 1; n <= kPackages; ++n) {
    const std::string d = std::to_string(n);
    markers.push_back({"BIN_START" + d + "=", BinStartRecord(n)});
    markers.push_back({n == 1 ? "BIN_SIZE1B=" : "BIN_SIZE" + d + " =", BinSizeRecord(n)});
    markers.push_back({"NEW_FW" + d + "=", NewFwRecord(n)});
    markers.push_back({"FW_EXT" + d + "=", FwExtRecord(n)});
  }
  for (int i = 0; i < kSizeRecords; ++i) {
    markers.push_back({std::string(kSizeKeys[i]), SizeRecordOffset(i)});
  }
  return markers;
}

std::vector<std::size_t> FindAll(const std::vector<std::uint8_t>& file, const std::string& text) {
  std::vector<std::size_t> found;
  const std::boyer_moore_horspool_searcher searcher(text.begin(), text.end());
  auto it = file.begin();
  while (true) {
    it = std::search(it, file.end(), searcher);
    if (it == file.end()) break;
    found.push_back(static_cast<std::size_t>(it - file.begin()));
    ++it;
  }
  return found;
}

bool Printable(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

void CheckText(std::vector<std::string>& errors, const std::string& field, const std::string& text,
               std::size_t most) {
  if (text.size() > most) {
    errors.push_back(field + ": \"" + text + "\" is longer than its area (at most " +
                     std::to_string(most) + " characters)");
  } else if (!Printable(text)) {
    errors.push_back(field + ": only printable ASCII characters fit the block");
  }
}

void CheckImage(std::vector<std::string>& errors, const std::string& field, std::size_t size,
                std::size_t slot) {
  if (size == 0) errors.push_back(field + ": the file is empty");
  if (size > slot) {
    errors.push_back(field + ": " + std::to_string(size) + " bytes is over its slot of " +
                     std::to_string(slot) + " bytes");
  }
}

bool HasMarker(const std::vector<std::uint8_t>& image) {
  constexpr std::string_view kMarker = bootflash::kImageMarker;
  return std::search(image.begin(), image.end(), kMarker.begin(), kMarker.end()) != image.end();
}

std::string MachineName(std::uint16_t machine) {
  if (machine == pe_machine::kI386) return "i386";
  if (machine == pe_machine::kAmd64) return "x86-64";
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%04X", machine);
  return std::string("machine ") + hex;
}

std::string SubsystemName(std::uint16_t subsystem) {
  switch (subsystem) {
    case pe_subsystem::kNative: return "native";
    case pe_subsystem::kWindowsGui: return "GUI";
    case pe_subsystem::kWindowsConsole: return "console";
    default: return "subsystem " + std::to_string(subsystem);
  }
}

// Empty when `build` is a PE image for `machine` with `subsystem`, else what it is instead.
std::string KindMismatch(const std::vector<std::uint8_t>& build, std::uint16_t machine,
                         std::uint16_t subsystem) {
  const auto kind = ReadPeImageKind(build);
  if (!kind) return "not a PE image";
  if (kind->machine == machine && kind->subsystem == subsystem) return {};
  return "a " + SubsystemName(kind->subsystem) + " program for " + MachineName(kind->machine);
}

// Slots 1, 3, 5, 7, 9 hold i386 builds; 2, 4, 6, 8, 10 x86-64 builds (XP x64 included).
std::uint16_t SlotMachine(std::size_t slot) {
  return slot % 2 == 1 ? pe_machine::kI386 : pe_machine::kAmd64;
}

void PutText(std::uint8_t* area, std::size_t size, const std::string& text) {
  std::memset(area, 0, size);
  std::memcpy(area, text.data(), std::min(size, text.size()));
}

bool CarriesExactRevisionMark(const std::vector<std::uint8_t>& build) {
  const std::string_view mark = bootflash::kExactRevisionMark;
  return std::search(build.begin(), build.end(), mark.begin(), mark.end()) != build.end();
}

}  // namespace

const Build& FlasherBuild(const Release& r, std::size_t index) {
  // XP x64 runs the Server 2003 x64 kernel: without a build of its own it takes that one.
  if (index == 1 && !r.flashers[1]) return r.flashers[3];
  return r.flashers[index];
}

std::optional<std::size_t> LocateBlock(const std::vector<std::uint8_t>& file, std::string& error) {
  std::optional<std::size_t> base;
  for (const Marker& marker : Markers()) {
    const auto found = FindAll(file, marker.text);
    if (found.size() != 1) {
      error = "marker \"" + marker.text + "\" found " + std::to_string(found.size()) +
              " times, expected once: not an executable with a package block";
      return std::nullopt;
    }
    if (found[0] < marker.offset) {
      error = "marker \"" + marker.text + "\" lies before the block could begin";
      return std::nullopt;
    }
    const std::size_t at = found[0] - marker.offset;
    if (base && *base != at) {
      error = "marker \"" + marker.text + "\" is not where the layout puts it";
      return std::nullopt;
    }
    base = at;
  }
  if (*base + kBlockSize > file.size()) {
    error = "the block runs past the end of the file";
    return std::nullopt;
  }
  return base;
}

namespace {

// The texts, the package mode, the option digits and the package count.
void CheckHeader(std::vector<std::string>& errors, const Release& r) {
  CheckText(errors, "product_version", r.productVersion, kProductVersionSize - 1);
  CheckText(errors, "product_title", r.productTitle, kProductTitleSize - 1);
  CheckText(errors, "release_date", r.releaseDate, kReleaseDateSize - 1);
  CheckText(errors, "supported_model", r.supportedModel, kSupportedModelTextSize - 1);
  if (r.packageMode < -128 || r.packageMode > 127) {
    errors.push_back("package_mode: must fit a signed byte");
  }
  if (r.options.size() != kOptionDigitCount) {
    errors.push_back("options: must be 31 digits, not " + std::to_string(r.options.size()));
  } else {
    for (std::size_t i = 0; i < r.options.size(); ++i) {
      if (r.options[i] < '0' || r.options[i] > '9') {
        errors.push_back("options: digit " + std::to_string(i + 1) + " is '" +
                         std::string(1, r.options[i]) + "', not a decimal digit");
      }
    }
  }
  if (r.packages.size() > static_cast<std::size_t>(kPackages)) {
    errors.push_back("packages: " + std::to_string(r.packages.size()) +
                     " given, the block holds at most 6");
  }
  if (r.options.size() == kOptionDigitCount && r.options[9] >= '0' && r.options[9] <= '9' &&
      static_cast<std::size_t>(r.options[9] - '0') != r.packages.size()) {
    errors.push_back("options: digit 10 (package count) is " + std::string(1, r.options[9]) +
                     " but " + std::to_string(r.packages.size()) + " packages are given");
  }
}

// Each package's image, revision texts and model table.
void CheckPackages(std::vector<std::string>& errors, const Release& r) {
  for (std::size_t n = 0; n < r.packages.size(); ++n) {
    const ReleasePackage& p = r.packages[n];
    const std::string field = "packages[" + std::to_string(n + 1) + "]";
    CheckImage(errors, field + ".image", p.image.size(), kPackageSlotSize);
    if (p.image.size() % 16 != 0) {
      errors.push_back(field + ".image: " + std::to_string(p.image.size()) +
                       " bytes is not a multiple of 16");
    }
    CheckText(errors, field + ".new_fw", p.newRevision, kTextValueSize - 1);
    CheckText(errors, field + ".fw_ext", p.extension, kTextValueSize - 1);
    if (p.models.size() > static_cast<std::size_t>(kEntriesPerRow)) {
      errors.push_back(field + ".models: " + std::to_string(p.models.size()) +
                       " entries, a row holds at most 8");
    }
    // A table without a model admits every drive, whatever maker's: only on purpose.
    if (!p.anyModel && p.models.empty()) {
      errors.push_back(field + ".models: no model entries, so the package would admit every "
                       "drive; name the models, or say \"any_model\": true");
    }
    for (std::size_t e = 0; e < p.models.size(); ++e) {
      const ReleaseModelEntry& m = p.models[e];
      const std::string entry = field + ".models[" + std::to_string(e + 1) + "]";
      CheckText(errors, entry + ".min", m.minRevision, kRevisionSize - 1);
      CheckText(errors, entry + ".max", m.maxRevision, kRevisionSize - 1);
      CheckText(errors, entry + ".model", m.modelName, kModelNameSize);
      CheckText(errors, entry + ".aux", m.auxText, kAuxTextSize);
    }
  }
}

// Each flasher build: its size, its processor, and the exact-revision mark.
void CheckFlashers(std::vector<std::string>& errors, const Release& r) {
  for (std::size_t s = 0; s < r.flashers.size(); ++s) {
    const Build& build = FlasherBuild(r, s);
    if (!build) continue;
    const std::string field = std::string("flashers.") + (r.flashers[s] ? kFlasherNames[s] : kFlasherNames[3]);
    CheckImage(errors, field, build->size(), kFlasherSlotSize);
    const std::string mismatch = KindMismatch(*build, SlotMachine(s + 1), pe_subsystem::kNative);
    if (!build->empty() && !mismatch.empty()) {
      errors.push_back(field + ": slot " + std::to_string(s + 1) + " (\"" + std::string(kSizeKeys[s]) +
                       "\") takes a native program for " + MachineName(SlotMachine(s + 1)) +
                       ", this is " + mismatch);
    }
    // An older build flashes every twin of the staged drive's model: never pack one.
    if (!build->empty() && !CarriesExactRevisionMark(*build)) {
      errors.push_back(field + ": slot " + std::to_string(s + 1) + " (\"" + std::string(kSizeKeys[s]) +
                       "\") takes a build that flashes only the staged drive's revision; this one "
                       "lacks the mark \"" + std::string(bootflash::kExactRevisionMark) + "\"");
    }
  }
}

void CheckCopyHelpers(std::vector<std::string>& errors, const Release& r) {
  for (std::size_t c = 0; c < r.copyHelpers.size(); ++c) {
    if (r.copyHelpers[c]) {
      const std::string field = std::string("copy_helpers.") + kCopyHelperNames[c];
      CheckImage(errors, field, r.copyHelpers[c]->size(), kCopySlotSize);
      const std::string mismatch =
          KindMismatch(*r.copyHelpers[c], pe_machine::kAmd64, pe_subsystem::kWindowsConsole);
      if (!r.copyHelpers[c]->empty() && !mismatch.empty()) {
        errors.push_back(field + ": copy-helper slot " + std::to_string(c + 1) + " (\"" +
                         std::string(kSizeKeys[kFlasherSlots + c]) +
                         "\") takes an x86-64 console program, this is " + mismatch);
      }
    }
  }
}

// The model table: the release's entries, the rest blank.
void WriteModelTable(std::uint8_t* b, const Release& r) {
  for (int row = 0; row < kRows; ++row) {
    const std::vector<ReleaseModelEntry>* models =
        row < static_cast<int>(r.packages.size()) ? &r.packages[static_cast<std::size_t>(row)].models
                                                   : nullptr;
    for (int entry = 0; entry < kEntriesPerRow; ++entry) {
      std::uint8_t* e = b + ModelEntry(row, entry);
      std::memset(e, 0, kEntrySize);
      if (models != nullptr && entry < static_cast<int>(models->size())) {
        const ReleaseModelEntry& m = (*models)[static_cast<std::size_t>(entry)];
        PutText(e + kEntryMinRevision, kRevisionSize, m.minRevision);
        PutText(e + kEntryMaxRevision, kRevisionSize, m.maxRevision);
        PutText(e + kEntryModelName, kModelNameSize, m.modelName);
        PutText(e + kEntryAuxText, kAuxTextSize, m.auxText);
      } else {
        // A blank entry, numbered from 1 as the shipped table has them.
        PutText(e + kEntryMinRevision, kRevisionSize,
                "#FLSH" + std::to_string(row + 1) + std::to_string(entry + 1));
        PutText(e + kEntryMaxRevision, kRevisionSize, "#");
        PutText(e + kEntryModelName, kModelNameSize, "#");
        PutText(e + kEntryAuxText, kAuxTextSize, "#");
      }
    }
  }

}

// The firmware area, each package's start, size and revision texts.
void WriteImages(std::uint8_t* b, PackageBlock& block, const Release& r) {
  std::memset(b + kFirmwareArea, 0, kFirmwareAreaSize);
  for (int n = 1; n <= kPackages; ++n) {
    const std::size_t index = static_cast<std::size_t>(n - 1);
    const bool used = index < r.packages.size();
    const std::size_t start = kPackageSlotSize * index;
    block.SetImageStartValue(n, used ? start : 0);
    block.SetImageSizeValue(n, used ? r.packages[index].image.size() : 0);
    PutText(b + NewFwRecord(n) + kTextKeySize, kTextValueSize,
            used ? r.packages[index].newRevision : "N/A    ");
    PutText(b + FwExtRecord(n) + kTextKeySize, kTextValueSize,
            used ? r.packages[index].extension : "N/A    ");
    if (used) {
      std::memcpy(b + kFirmwareArea + start, r.packages[index].image.data(),
                  r.packages[index].image.size());
    }
  }

}

// The flasher builds and copy helpers into their slots, with their size records.
void WriteBuilds(std::uint8_t* b, const Release& r) {
  auto putBuild = [&](std::size_t slot, std::size_t slotSize, int sizeRecord,
                      const std::vector<std::uint8_t>& build) {
    std::memset(b + slot, 0, slotSize);
    std::memcpy(b + slot, build.data(), build.size());
    PackageBlock::WriteDecimal10(Bytes(b + SizeRecordValue(sizeRecord), kNumberDigits),
                                 build.size());
  };
  for (int s = 1; s <= kFlasherSlots; ++s) {
    const auto& build = FlasherBuild(r, static_cast<std::size_t>(s - 1));
    if (build) putBuild(FlasherSlot(s), kFlasherSlotSize, s - 1, *build);
  }
  for (int c = 1; c <= kCopySlots; ++c) {
    const auto& build = r.copyHelpers[static_cast<std::size_t>(c - 1)];
    if (build) putBuild(CopySlot(c), kCopySlotSize, kFlasherSlots + c - 1, *build);
  }
}

void WarnOfMissingMarkers(PackResult& result, const Release& r) {
  for (std::size_t n = 0; n < r.packages.size(); ++n) {
    if (!HasMarker(r.packages[n].image)) {
      result.warnings.push_back("packages[" + std::to_string(n + 1) + "].image: " +
                                r.packages[n].imageName +
                                " lacks the marker \"" + bootflash::kImageMarker +
                                "\"; the boot-time flasher will refuse it");
    }
  }
}

}  // namespace

std::vector<std::string> CheckRelease(const Release& r) {
  std::vector<std::string> errors;
  CheckHeader(errors, r);
  CheckPackages(errors, r);
  CheckFlashers(errors, r);
  CheckCopyHelpers(errors, r);
  return errors;
}

PackResult Pack(std::vector<std::uint8_t>& file, const Release& r) {
  PackResult result;
  std::string error;
  const auto base = LocateBlock(file, error);
  if (!base) {
    result.errors.push_back(error);
    return result;
  }
  result.errors = CheckRelease(r);
  if (!result.errors.empty()) return result;
  WarnOfMissingMarkers(result, r);

  // Filled in a copy, judged, and only then written over the file's block.
  std::vector<std::uint8_t> packed(file.begin() + static_cast<std::ptrdiff_t>(*base),
                                   file.begin() + static_cast<std::ptrdiff_t>(*base + kBlockSize));
  std::uint8_t* b = packed.data();
  PackageBlock block{Bytes(packed)};
  PutText(b + kProductVersion, kProductVersionSize, r.productVersion);
  PutText(b + kProductTitle, kProductTitleSize, r.productTitle);
  PutText(b + kReleaseDate, kReleaseDateSize, r.releaseDate);
  PutText(b + kSupportedModelText, kSupportedModelTextSize, r.supportedModel);
  WriteModelTable(b, r);
  b[kPackageMode] = static_cast<std::uint8_t>(static_cast<std::int8_t>(r.packageMode));
  std::memcpy(b + kOptionDigits, r.options.data(), kOptionDigitCount);
  b[kOptionDigits + kOptionDigitCount] = 0;
  WriteImages(b, block, r);
  WriteBuilds(b, r);
  result.errors = StrangersAdmitted(packed, r);
  if (!result.errors.empty()) {
    result.warnings.clear();
    return result;
  }
  std::copy(packed.begin(), packed.end(), file.begin() + static_cast<std::ptrdiff_t>(*base));
  result.ok = true;
  return result;
}

}  // namespace qz::packer
