#include "updater/firmware_file.hpp"

#include <algorithm>
#include <vector>

#include "platform/text.hpp"
#include "updater/drive_match.hpp"

namespace qz {

std::vector<std::string> BuiltForModels(const PackageBlock& block) {
  std::vector<std::string> models;
  auto add = [&](const std::string& model) {
    if (model.empty() || model[0] == '#') return;  // no model, or a blank entry's marker
    if (std::find(models.begin(), models.end(), model) == models.end()) models.push_back(model);
  };
  add(TrimText(block.SupportedModelText()));
  for (int row = 0; row < pkg::kRows; ++row) {
    for (int entry = 0; entry < pkg::kEntriesPerRow; ++entry) {
      add(TrimText(block.ModelName(row, entry).substr(0, 40)));
    }
  }
  return models;
}

FirmwareFileStatus LoadFirmwareFile(FileApi& files, const std::string& path, PackageBlock& block,
                                    PackageOptions& options) {
  const Handle file = files.CreateFile(path, access::kGenericRead, share::kRead,
                                       disposition::kOpenExisting, kFileAttributeNormal);
  if (file == kInvalidHandle) return FirmwareFileStatus::Unreadable;

  std::uint64_t length = 0;
  FirmwareFileStatus status = FirmwareFileStatus::Loaded;
  std::vector<std::uint8_t> image;
  if (!files.GetFileSize(file, length)) {
    status = FirmwareFileStatus::Unreadable;
  } else if (length == 0) {
    status = FirmwareFileStatus::Empty;
  } else if (length > pkg::kFirmwareAreaSize) {
    status = FirmwareFileStatus::TooLarge;
  } else if (length % 16 != 0) {
    status = FirmwareFileStatus::NotMultipleOf16;
  } else {
    // Read it aside first: a short read must not leave half an image in the package.
    image.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < image.size()) {
      std::uint32_t got = 0;
      if (!files.ReadFile(file, Bytes(image).subspan(done), got) || got == 0) {
        status = FirmwareFileStatus::Unreadable;
        break;
      }
      done += got;
    }
  }
  files.CloseHandle(file);
  if (status != FirmwareFileStatus::Loaded) return status;

  // The table is about to be blanked: keep what it says the program was built for.
  options.FirmwareFileModels = BuiltForModels(block);
  options.FirmwareFromFile = true;
  options.PackageCount = 1;
  block.SetImageSizeValue(1, length);
  // The image is read to the area's start, so that is where package 1 must begin.
  block.SetImageStartValue(1, 0);
  std::copy(image.begin(), image.end(), block.FirmwareArea().begin());
  block.ClearModelTable();
  return FirmwareFileStatus::Loaded;
}

}  // namespace qz
