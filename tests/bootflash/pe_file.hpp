#pragma once
// A reader for the few PE fields the build checks look at, from the file's bytes.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/little_endian.hpp"

namespace qz::bootflash::testing {

struct PeSection {
  std::string name;
  std::uint32_t virtualAddress = 0, virtualSize = 0, rawOffset = 0, rawSize = 0;
};

struct PeFile {
  std::vector<std::uint8_t> bytes;
  std::uint16_t machine = 0;
  std::uint16_t subsystem = 0;
  std::uint32_t optionalHeader = 0;  // file offset
  bool pe32plus = false;
  std::vector<PeSection> sections;
  std::vector<std::string> importedDlls;

  std::uint16_t U16(std::size_t at) const {
    (void)bytes.at(at + 1);  // past the end throws
    return le::Load16(bytes.data() + at);
  }
  std::uint32_t U32(std::size_t at) const {
    (void)bytes.at(at + 3);
    return le::Load32(bytes.data() + at);
  }
  std::optional<std::size_t> RvaToOffset(std::uint32_t rva) const {
    for (const auto& s : sections) {
      if (rva >= s.virtualAddress && rva < s.virtualAddress + std::max(s.virtualSize, s.rawSize)) {
        return s.rawOffset + (rva - s.virtualAddress);
      }
    }
    return std::nullopt;
  }
  const PeSection* Section(const std::string& name) const {
    for (const auto& s : sections) {
      if (s.name == name) return &s;
    }
    return nullptr;
  }
  // Optional-header fields by their offset in both formats.
  std::uint16_t MajorOsVersion() const { return U16(optionalHeader + 40); }
  std::uint16_t MinorOsVersion() const { return U16(optionalHeader + 42); }
  std::uint16_t MajorSubsystemVersion() const { return U16(optionalHeader + 48); }
  std::uint16_t MinorSubsystemVersion() const { return U16(optionalHeader + 50); }
};

inline std::optional<PeFile> ReadPeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  PeFile pe;
  pe.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (pe.bytes.size() < 0x40 || pe.bytes[0] != 'M' || pe.bytes[1] != 'Z') return std::nullopt;
  const std::uint32_t header = pe.U32(0x3C);
  if (pe.U32(header) != 0x00004550) return std::nullopt;  // "PE\0\0"
  pe.machine = pe.U16(header + 4);
  const std::uint16_t sectionCount = pe.U16(header + 6);
  const std::uint16_t optionalSize = pe.U16(header + 20);
  pe.optionalHeader = header + 24;
  pe.pe32plus = pe.U16(pe.optionalHeader) == 0x20B;
  pe.subsystem = pe.U16(pe.optionalHeader + 68);
  const std::size_t directories = pe.optionalHeader + (pe.pe32plus ? 112 : 96);
  std::size_t table = pe.optionalHeader + optionalSize;
  for (std::uint16_t i = 0; i < sectionCount; ++i, table += 40) {
    PeSection s;
    for (int c = 0; c < 8 && pe.bytes[table + c]; ++c) s.name.push_back(static_cast<char>(pe.bytes[table + c]));
    s.virtualSize = pe.U32(table + 8);
    s.virtualAddress = pe.U32(table + 12);
    s.rawSize = pe.U32(table + 16);
    s.rawOffset = pe.U32(table + 20);
    pe.sections.push_back(s);
  }
  // Import directory (entry 1): 20-byte descriptors, the DLL name's RVA at +12.
  const std::uint32_t importRva = pe.U32(directories + 8);
  if (importRva != 0) {
    auto at = pe.RvaToOffset(importRva);
    while (at && pe.U32(*at + 12) != 0) {
      auto name = pe.RvaToOffset(pe.U32(*at + 12));
      std::string dll;
      for (std::size_t p = *name; pe.bytes.at(p); ++p) dll.push_back(static_cast<char>(pe.bytes[p]));
      pe.importedDlls.push_back(dll);
      *at += 20;
    }
  }
  return pe;
}

}  // namespace qz::bootflash::testing
