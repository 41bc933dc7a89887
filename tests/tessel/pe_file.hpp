#pragma once
// A small reader of the parts of a PE image the image tests look at: machine, subsystem,
// exported names and imported DLLs, read as bytes at their offsets.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/little_endian.hpp"

namespace qz::test {

struct PeFile {
  std::uint16_t machine = 0;
  std::uint16_t subsystem = 0;
  std::set<std::string> exports;
  std::set<std::string> imports;  // DLL names, upper case
  bool valid = false;
};

inline PeFile ReadPe(const std::string& path) {
  PeFile pe;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u16 = [&](std::size_t o) -> std::uint32_t { return o + 2 <= d.size() ? le::Load16(d.data() + o) : 0; };
  auto u32 = [&](std::size_t o) -> std::uint32_t { return o + 4 <= d.size() ? le::Load32(d.data() + o) : 0; };
  if (d.size() < 0x40 || d[0] != 'M' || d[1] != 'Z') return pe;
  const std::size_t nt = u32(0x3C);
  if (u32(nt) != 0x4550) return pe;
  pe.machine = static_cast<std::uint16_t>(u16(nt + 4));
  const std::size_t sections = u16(nt + 6);
  const std::size_t optional = nt + 24;
  const std::size_t optionalSize = u16(nt + 20);
  const bool plus = u16(optional) == 0x20B;
  pe.subsystem = static_cast<std::uint16_t>(u16(optional + 68));
  const std::size_t dirs = optional + (plus ? 112 : 96);
  const std::size_t table = optional + optionalSize;
  // Relative virtual address to file offset through the section table.
  auto offset = [&](std::uint32_t rva) -> std::size_t {
    for (std::size_t i = 0; i < sections; ++i) {
      const std::size_t s = table + 40 * i;
      const std::uint32_t va = u32(s + 12), size = std::max(u32(s + 8), u32(s + 16));
      if (rva >= va && rva < va + size) return rva - va + u32(s + 20);
    }
    return d.size();
  };
  auto text = [&](std::uint32_t rva) {
    std::string s;
    for (std::size_t o = offset(rva); o < d.size() && d[o]; ++o) s += static_cast<char>(d[o]);
    return s;
  };
  if (const std::uint32_t exp = u32(dirs); exp != 0) {
    const std::size_t e = offset(exp);
    const std::uint32_t count = u32(e + 24), names = u32(e + 32);
    for (std::uint32_t i = 0; i < count; ++i) pe.exports.insert(text(u32(offset(names) + 4 * i)));
  }
  if (const std::uint32_t imp = u32(dirs + 8); imp != 0) {
    for (std::size_t o = offset(imp); o + 20 <= d.size() && u32(o + 12) != 0; o += 20) {
      std::string name = text(u32(o + 12));
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      pe.imports.insert(name);
    }
  }
  pe.valid = true;
  return pe;
}

}  // namespace qz::test
