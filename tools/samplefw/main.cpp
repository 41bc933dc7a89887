// Writes a sample firmware image for the simulated drives.
// usage: quenzar-samplefw OUT [--revision R] [--extension E] [--model M] [--length N]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tools/samplefw/sample_firmware.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s OUT [--revision R] [--extension E] [--model M] [--length N]\n",
                 argv[0]);
    return 2;
  }
  qz::samplefw::SampleFields fields;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--revision") fields.revision = value;
    else if (key == "--extension") fields.extension = value;
    else if (key == "--model") fields.model = value;
    else if (key == "--length") fields.length = std::strtoul(value.c_str(), nullptr, 0);
    else {
      std::fprintf(stderr, "unknown option %s\n", key.c_str());
      return 2;
    }
  }
  if ((argc - 2) % 2 != 0) {
    std::fprintf(stderr, "option %s has no value\n", argv[argc - 1]);
    return 2;
  }
  std::string error;
  const auto image = qz::samplefw::MakeSampleImage(fields, error);
  if (!image) {
    std::fprintf(stderr, "sample firmware: %s\n", error.c_str());
    return 1;
  }
  const std::string temp = std::string(argv[1]) + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image->data()),
              static_cast<std::streamsize>(image->size()));
    if (!out) {
      std::fprintf(stderr, "can't write %s\n", temp.c_str());
      return 1;
    }
  }
  if (std::rename(temp.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "can't write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
