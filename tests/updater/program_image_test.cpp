// The built Quenzar.exe as Windows' loader meets it: its application manifest and the DLLs it
// imports. Read as bytes from the PE file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "platform/little_endian.hpp"

namespace {

struct ProgramImage {
  std::vector<std::uint8_t> d;
  std::size_t sections = 0, table = 0, dirs = 0;

  explicit ProgramImage(const char* path) {
    std::ifstream in(path, std::ios::binary);
    d.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (d.size() < 0x40 || U32(0x3C) + 24 > d.size() || U32(U32(0x3C)) != 0x4550) return;
    const std::size_t nt = U32(0x3C);
    sections = U16(nt + 6);
    table = nt + 24 + U16(nt + 20);
    dirs = nt + 24 + 96;  // PE32
  }
  bool Valid() const { return dirs != 0; }

  std::uint32_t U16(std::size_t o) const { return o + 2 <= d.size() ? qz::le::Load16(d.data() + o) : 0; }
  // A field cut short by the end keeps the half that is there.
  std::uint32_t U32(std::size_t o) const { return o + 4 <= d.size() ? qz::le::Load32(d.data() + o) : U16(o); }
  std::size_t Offset(std::uint32_t rva) const {
    for (std::size_t i = 0; i < sections; ++i) {
      const std::size_t s = table + 40 * i;
      const std::uint32_t va = U32(s + 12), size = std::max(U32(s + 8), U32(s + 16));
      if (rva >= va && rva < va + size) return rva - va + U32(s + 20);
    }
    return d.size();
  }
  std::string Text(std::uint32_t rva) const {
    std::string s;
    for (std::size_t o = Offset(rva); o < d.size() && d[o]; ++o) s += static_cast<char>(d[o]);
    return s;
  }

  // Imported DLL names, lower case.
  std::set<std::string> Imports() const {
    std::set<std::string> names;
    for (std::size_t o = Offset(U32(dirs + 8)); o + 20 <= d.size() && U32(o + 12) != 0; o += 20) {
      std::string name = Text(U32(o + 12));
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      names.insert(name);
    }
    return names;
  }

  // The resource of a type and id (first language), empty when there is none.
  std::string Resource(std::uint32_t type, std::uint32_t id) const {
    const std::uint32_t rsrc = U32(dirs + 16);
    if (rsrc == 0) return {};
    const std::size_t root = Offset(rsrc);
    // Each level: the entry with this id (or the first), whose offset leads one level down.
    auto find = [&](std::size_t dir, std::uint32_t wanted, bool any) -> std::uint32_t {
      const std::size_t count = U16(dir + 12) + U16(dir + 14);
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = dir + 16 + 8 * i;
        if (any || U32(e) == wanted) return U32(e + 4);
      }
      return 0;
    };
    const std::uint32_t types = find(root, type, false);
    if (!(types & 0x80000000u)) return {};
    const std::uint32_t ids = find(root + (types & 0x7FFFFFFFu), id, false);
    if (!(ids & 0x80000000u)) return {};
    const std::uint32_t leaf = find(root + (ids & 0x7FFFFFFFu), 0, true);
    if (leaf == 0 || (leaf & 0x80000000u)) return {};
    const std::size_t entry = root + leaf;
    const std::size_t at = Offset(U32(entry)), size = U32(entry + 4);
    if (at + size > d.size()) return {};
    return std::string(d.begin() + static_cast<std::ptrdiff_t>(at),
                       d.begin() + static_cast<std::ptrdiff_t>(at + size));
  }
};

constexpr std::uint32_t kRtManifest = 24;
constexpr std::uint32_t kProcessManifest = 1;

// Spaces and line breaks between attributes do not matter to the loader.
std::string Squeezed(const std::string& xml) {
  std::string out;
  for (char c : xml) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
  return out;
}

TEST(ProgramImage, ManifestAsksForElevationAndTheCommonControlsSix) {
  const ProgramImage exe(QZ_QUENZAR_EXE);
  ASSERT_TRUE(exe.Valid());
  const std::string manifest = Squeezed(exe.Resource(kRtManifest, kProcessManifest));
  ASSERT_FALSE(manifest.empty()) << "no process manifest (RT_MANIFEST 1)";
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
            std::string::npos);
  EXPECT_NE(manifest.find("xmlns=\"urn:schemas-microsoft-com:asm.v3\""), std::string::npos);
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                          "processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\""),
            std::string::npos);
  // Each Windows named as supported; from 8.1 on an unnamed one is told it is an earlier one.
  const std::pair<const char*, const char*> supported[] = {
      {"Vista", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"}, {"7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
      {"8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},     {"8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
      {"10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
  };
  for (const auto& [windows, id] : supported) {
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos) << windows;
  }
}

TEST(ProgramImage, NoImportCanBeLoadedFromTheProgramsFolder) {
  const ProgramImage exe(QZ_QUENZAR_EXE);
  ASSERT_TRUE(exe.Valid());
  // Known DLLs of Windows XP, Vista and 7 (listed there, or, like msvcrt on XP, loaded with
  // them): always taken from the system directory.
  const std::set<std::string> known = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                       "advapi32.dll", "shell32.dll",  "ole32.dll",
                                       "oleaut32.dll", "comdlg32.dll", "rpcrt4.dll",
                                       "msvcrt.dll"};
  // COMCTL32 is not one of them: only the manifest's dependency sends it to the side-by-side
  // store instead of the program's folder.
  const bool sideBySide =
      exe.Resource(kRtManifest, kProcessManifest).find("Microsoft.Windows.Common-Controls") !=
      std::string::npos;
  const auto imports = exe.Imports();
  ASSERT_FALSE(imports.empty());
  for (const std::string& dll : imports) {
    const bool allowed = known.count(dll) != 0 || (dll == "comctl32.dll" && sideBySide);
    EXPECT_TRUE(allowed) << dll << " would be looked for beside Quenzar.exe first";
  }
}

}  // namespace
