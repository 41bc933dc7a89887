// A firmware file named on the updater's command line: a size that need not agree with what
// reads return, reads cut short, and the package it becomes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "updater/firmware_file.hpp"
#include "updater/package_layout.hpp"

using namespace qz;

namespace {

class OneFile : public FileApi {
 public:
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
  std::size_t chunk = 1;  // the most one read returns
  std::size_t at = 0;

  Handle CreateFile(const std::string&, std::uint32_t, std::uint32_t, std::uint32_t,
                    std::uint32_t) override {
    return 7;
  }
  bool ReadFile(Handle, Bytes buffer, std::uint32_t& read) override {
    const std::size_t n = std::min({buffer.size(), chunk, bytes.size() - at});
    if (n) std::memcpy(buffer.data(), bytes.data() + at, n);
    at += n;
    read = static_cast<std::uint32_t>(n);
    return true;
  }
  bool WriteFile(Handle, ConstBytes, std::uint32_t&) override { return false; }
  bool GetFileSize(Handle, std::uint64_t& s) override {
    s = size;
    return true;
  }
  bool SetFilePointer(Handle, std::int64_t, std::uint32_t, std::uint64_t&) override { return false; }
  bool CloseHandle(Handle) override { return true; }
  std::uint32_t GetFileAttributes(const std::string&) override { return 0xFFFFFFFFu; }
  bool DeleteFile(const std::string&) override { return false; }
  bool CreateDirectory(const std::string&) override { return false; }
  bool DeviceIoControl(Handle, std::uint32_t, ConstBytes, Bytes, std::uint32_t&) override {
    return false;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::uint8_t>* storage = new std::vector<std::uint8_t>(pkg::kBlockSize, 0);
  if (size < 3) return 0;
  OneFile file;
  file.bytes.assign(data + 3, data + size);
  // Byte 0: how the reported size relates to the bytes; bytes 1-2: the read size.
  const int delta = static_cast<int>(data[0] & 0x3F) - 32;
  file.size = (data[0] & 0x40) ? pkg::kFirmwareAreaSize + static_cast<std::uint64_t>(data[0] & 0x3F)
                               : static_cast<std::uint64_t>(
                                     std::max<long long>(0, static_cast<long long>(file.bytes.size()) + delta));
  if (data[0] & 0x80) file.size = file.bytes.size();
  file.chunk = static_cast<std::size_t>(data[1] << 8 | data[2]) + 1;

  PackageBlock block(Bytes(storage->data(), pkg::kBlockSize));
  PackageOptions options = ReadPackageOptions(block);
  const FirmwareFileStatus status = LoadFirmwareFile(file, "C:\\fw.bin", block, options);
  if (status == FirmwareFileStatus::Loaded) {
    if (block.ImageSizeValue(1) != file.size || options.PackageCount != 1) __builtin_trap();
    const Bytes image = block.Image(1);
    if (image.size() != file.size || !std::equal(image.begin(), image.end(), file.bytes.begin())) {
      __builtin_trap();
    }
    std::memset(storage->data(), 0, pkg::kBootCodeArea);
    std::memset(block.FirmwareArea().data(), 0, image.size());
  }
  return 0;
}
