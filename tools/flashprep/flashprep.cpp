// Prepares the files of a boot-time update the way the updater does, for the smoke tests and
// by hand:
//   flashprep fwbin IMAGE FWBIN             writes FW.bin (inverse cipher, updater's key copy)
//   flashprep patch FILE KEY VALUE [...]    fills configuration block fields, all or nothing
// Built for the host and as a 32-bit Windows program.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "bootflash/firmware_cipher.hpp"
#include "bootflash/image_field.hpp"
#include "staging/firmware_transform.hpp"

namespace {

bool ReadFile(const char* path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const char* path, const std::uint8_t* bytes, std::size_t length) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(length));
  return static_cast<bool>(out.flush());
}

int MakeFwBin(const char* imagePath, const char* fwbinPath) {
  std::vector<std::uint8_t> image;
  if (!ReadFile(imagePath, image)) {
    std::fprintf(stderr, "cannot read %s\n", imagePath);
    return 1;
  }
  const std::size_t length = image.size();
  if (!qz::staging::FirmwareImageLengthAccepted(length)) {
    std::fprintf(stderr, "image length %zu is not a non-zero multiple of 16\n", length);
    return 1;
  }
  image.resize(qz::bootflash::ProcessedLength(length));
  qz::staging::TransformFirmware(image.data(), length, false);
  if (!WriteFile(fwbinPath, image.data(), length)) {
    std::fprintf(stderr, "cannot write %s\n", fwbinPath);
    return 1;
  }
  return 0;
}

int Patch(const char* path, int pairs, char** args) {
  std::vector<std::uint8_t> image;
  if (!ReadFile(path, image)) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return 1;
  }
  std::vector<qz::bootflash::ImageField> fields;
  for (int i = 0; i < pairs; ++i) fields.push_back({args[2 * i], args[2 * i + 1]});
  std::size_t failed = 0;
  const auto result = qz::bootflash::PatchImageFields(image.data(), image.size(), fields.data(),
                                                      fields.size(), &failed);
  if (result != qz::bootflash::PatchResult::kWritten) {
    std::fprintf(stderr, "refused %s (code %d); %s unchanged\n", fields[failed].key,
                 static_cast<int>(result), path);
    return 1;
  }
  return WriteFile(path, image.data(), image.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "fwbin") return MakeFwBin(argv[2], argv[3]);
  if (argc >= 5 && argc % 2 == 1 && std::string_view(argv[1]) == "patch") {
    return Patch(argv[2], (argc - 3) / 2, argv + 3);
  }
  std::fprintf(stderr,
               "usage: flashprep fwbin IMAGE FWBIN\n"
               "       flashprep patch FILE KEY VALUE [KEY VALUE ...]\n");
  return 2;
}
