// The packer's release description: any text as the JSON file, with two small files beside it
// that it may name, then the checks against the package layout.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/packer/packer.hpp"
#include "tools/packer/release.hpp"

namespace fs = std::filesystem;
using namespace qz::packer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / ("qz-fuzz-release-" + std::to_string(getpid()));
    fs::create_directories(d);
    std::ofstream(d / "a.bin", std::ios::binary) << std::string(64, 'A') + "ssdbinv";
    std::ofstream(d / "b.exe", std::ios::binary) << std::string(100, 'X');
    return d;
  }();
  {
    std::ofstream out(dir / "release.json", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::string error;
  const auto release = LoadRelease((dir / "release.json").string(), error);
  if (!release) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  if (release->packageMode < -128 || release->packageMode > 127) __builtin_trap();
  CheckRelease(*release);
  return 0;
}
