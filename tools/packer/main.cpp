// The packer: fills the package block of a built Quenzar.exe from a release description.
// usage: quenzar-pack EXE RELEASE.json [OUT]   (without OUT the executable is edited in place)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/packer/packer.hpp"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: %s EXE RELEASE.json [OUT]\n", argv[0]);
    return 2;
  }
  const std::string exePath = argv[1], releasePath = argv[2];
  const std::string outPath = argc == 4 ? argv[3] : exePath;

  std::string error;
  const auto release = qz::packer::LoadRelease(releasePath, error);
  if (!release) {
    std::fprintf(stderr, "quenzar-pack: %s\n", error.c_str());
    return 1;
  }
  std::ifstream in(exePath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "quenzar-pack: can't read %s\n", exePath.c_str());
    return 1;
  }
  std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
  in.close();

  const qz::packer::PackResult result = qz::packer::Pack(file, *release);
  for (const std::string& warning : result.warnings) {
    std::fprintf(stderr, "quenzar-pack: warning: %s\n", warning.c_str());
  }
  if (!result.ok) {
    for (const std::string& e : result.errors) std::fprintf(stderr, "quenzar-pack: %s\n", e.c_str());
    std::fprintf(stderr, "quenzar-pack: %s left unchanged\n", outPath.c_str());
    return 1;
  }

  // Write beside the target and rename, so that a failed write leaves no half-packed program.
  const std::string temp = outPath + ".packing";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "quenzar-pack: can't write %s\n", temp.c_str());
      std::filesystem::remove(temp);
      return 1;
    }
  }
  std::error_code ec;
  std::filesystem::permissions(temp, std::filesystem::status(exePath).permissions(), ec);
  std::filesystem::rename(temp, outPath, ec);
  if (ec) {
    std::fprintf(stderr, "quenzar-pack: can't replace %s: %s\n", outPath.c_str(),
                 ec.message().c_str());
    std::filesystem::remove(temp);
    return 1;
  }
  return 0;
}
