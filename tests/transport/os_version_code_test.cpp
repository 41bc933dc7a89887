// The Windows classification over a table of machines that covers every family and edition.
#include <gtest/gtest.h>

#include <functional>

#include "platform/registry_api.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "transport/system_info.hpp"

namespace qz {
namespace {

using sim::Bitness;
using sim::Machine;
using sim::Windows;

struct Row {
  const char* name;
  Windows release;
  std::function<void(Machine&)> adjust;
  OsVersionCode expected;
};

OsVersionCode CodeOf(Machine& m, Bitness bits = Bitness::X86) {
  sim::SimWin32 api(m, bits);
  SystemInfo info(api);
  return info.GetOsVersionCode();
}

void Suites(Machine& m, std::uint16_t s) { m.version.suiteMask = s; }
void Itanium(Machine& m) { m.nativeArchitecture = processor_arch::kIa64; }
void Noop(Machine&) {}

const Row kRows[] = {
    {"Win32s", Windows::Win95, [](Machine& m) { m.version.platformId = 0; }, 0x01000000},
    {"Windows 95", Windows::Win95, Noop, 0x02000000},
    {"Windows 95 OSR2 (B)", Windows::Win95Osr2, Noop, 0x02030000},
    {"Windows 95 OSR2 (C)", Windows::Win95Osr2, [](Machine& m) { m.version.csdVersion = " C"; }, 0x02030000},
    {"Windows 98", Windows::Win98, Noop, 0x03000000},
    {"Windows 98 SE", Windows::Win98Se, Noop, 0x03030000},
    {"Windows Me", Windows::WinMe, Noop, 0x04000000},
    {"NT 4 workstation SP6 without hotfix", Windows::Nt4Sp6a, Noop, 0x05136000},
    {"NT 4 workstation SP6a", Windows::Nt4Sp6a,
     [](Machine& m) {
       m.registry.Create(hkey::kLocalMachine,
                         "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009");
     },
     0x05136400},
    {"NT 4 server, enterprise", Windows::Nt4Sp6a,
     [](Machine& m) {
       m.version.productType = product_type::kServer;
       m.version.suiteMask = suite::kEnterprise;
       m.version.csdVersion = "Service Pack 5";
       m.version.servicePackMajor = 5;
     },
     0x05045000},
    {"Windows 2000 Professional", Windows::Win2000, Noop, 0x06014000},
    {"Windows 2000 Server", Windows::Win2000,
     [](Machine& m) { m.version.productType = product_type::kServer; }, 0x06074000},
    {"Windows 2000 Advanced Server", Windows::Win2000,
     [](Machine& m) {
       m.version.productType = product_type::kServer;
       Suites(m, suite::kEnterprise);
     },
     0x06044000},
    {"Windows 2000 Datacenter (domain controller)", Windows::Win2000,
     [](Machine& m) {
       m.version.productType = product_type::kDomainController;
       Suites(m, suite::kDatacenter | suite::kEnterprise);
     },
     0x06084000},
    {"XP Home", Windows::XpHome, Noop, 0x07023000},
    {"XP Professional", Windows::XpPro, Noop, 0x07013000},
    {"XP Professional x64", Windows::XpProX64, Noop, 0x07012001},
    {"Server 2003", Windows::Server2003, Noop, 0x08072000},
    {"Server 2003 Enterprise", Windows::Server2003,
     [](Machine& m) { Suites(m, suite::kEnterprise); }, 0x08042000},
    {"Server 2003 Datacenter", Windows::Server2003,
     [](Machine& m) { Suites(m, suite::kDatacenter); }, 0x08082000},
    {"Server 2003 Web (blade only)", Windows::Server2003,
     [](Machine& m) { Suites(m, suite::kBlade); }, 0x08112000},
    {"Server 2003 blade with another suite bit", Windows::Server2003,
     [](Machine& m) { Suites(m, suite::kBlade | 0x0100); }, 0x08072000},
    {"Server 2003 x64", Windows::Server2003X64, Noop, 0x08072001},
    {"Server 2003 x64 Enterprise", Windows::Server2003X64,
     [](Machine& m) { Suites(m, suite::kEnterprise); }, 0x08042001},
    {"Server 2003 x64 Datacenter", Windows::Server2003X64,
     [](Machine& m) { Suites(m, suite::kDatacenter); }, 0x08082001},
    {"Server 2003 Itanium Datacenter", Windows::Server2003,
     [](Machine& m) {
       Itanium(m);
       Suites(m, suite::kDatacenter);
     },
     0x08082003},
    {"Server 2003 Itanium Enterprise", Windows::Server2003,
     [](Machine& m) {
       Itanium(m);
       Suites(m, suite::kEnterprise);
     },
     0x08042003},
    {"Server 2003 Itanium standard", Windows::Server2003, Itanium, 0x08002000},
    {"Server 2003 R2", Windows::Server2003R2, Noop, 0x09072000},
    {"Vista Business x86", Windows::VistaX86, Noop, 0x0A012000},
    {"Vista Home x86", Windows::VistaX86,
     [](Machine& m) { Suites(m, suite::kPersonal); }, 0x0A022000},
    {"Vista x64", Windows::VistaX64, Noop, 0x0A002000},
    {"Server 2008", Windows::Server2008X86, Noop, 0x0C072000},
    {"Server 2008 Enterprise x64", Windows::Server2008X64,
     [](Machine& m) { Suites(m, suite::kEnterprise); }, 0x0C042000},
    {"Server 2008 Datacenter counts as standard", Windows::Server2008X64,
     [](Machine& m) { Suites(m, suite::kDatacenter); }, 0x0C072000},
    {"Server 2008 R2", Windows::Server2008R2, Noop, 0x0D071000},
    {"Windows 7 x86", Windows::Win7X86, Noop, 0x0E011000},
    {"Windows 7 x64", Windows::Win7X64, Noop, 0x0E001000},
    {"Windows 8 x86", Windows::Win8X86, Noop, 0x0F010000},
    {"Windows 8 x64", Windows::Win8X64, Noop, 0x0F000000},
    {"Server 2012", Windows::Win8X64,
     [](Machine& m) { m.version.productType = product_type::kServer; }, 0x0F070000},
    {"Windows 8.1 x86", Windows::Win81X86, Noop, 0x10010000},
    {"Windows 8.1 x86 with Core (personal suite)", Windows::Win81X86,
     [](Machine& m) { Suites(m, suite::kPersonal); }, 0x10020000},
    {"Server 2012 R2 Datacenter counts as standard", Windows::Win81X64,
     [](Machine& m) {
       m.version.productType = product_type::kServer;
       Suites(m, suite::kDatacenter);
     },
     0x10070000},
    {"Windows 10 x86", Windows::Win10X86, Noop, 0x11010000},
    {"Windows 10 x64", Windows::Win10X64, Noop, 0x11000000},
    {"Windows 10, the last build before 11", Windows::Win10X64,
     [](Machine& m) { m.version.buildNumber = 21999; }, 0x11000000},
    {"Windows 11 from its first build", Windows::Win10X64,
     [](Machine& m) { m.version.buildNumber = 22000; }, 0x12000000},
    {"Windows 11 x64", Windows::Win11X64, Noop, 0x12000000},
    {"Server 2025 (build past 22000) stays with Windows 10", Windows::Win11X64,
     [](Machine& m) {
       m.version.productType = product_type::kServer;
       Suites(m, suite::kEnterprise);
     },
     0x11040000},
    {"NT 6.4 (never released) is not a listed family", Windows::Win7X86,
     [](Machine& m) { m.version.minorVersion = 4; }, 0x00011000},
    {"NT 10.1 is not a listed family", Windows::Win10X86,
     [](Machine& m) { m.version.minorVersion = 1; }, 0x00010000},
    {"a later major version is not a listed family", Windows::Win11X64,
     [](Machine& m) { m.version.majorVersion = 11; }, 0},
    {"no version information at all", Windows::Win7X86,
     [](Machine& m) {
       m.extendedVersionInfo = false;
       m.basicVersionInfo = false;
     },
     0},
};

TEST(OsVersionCode, MachineTable) {
  for (const Row& row : kRows) {
    Machine m(row.release);
    row.adjust(m);
    EXPECT_EQ(CodeOf(m), row.expected) << row.name << std::hex << ": got 0x" << CodeOf(m);
  }
}

TEST(OsVersionCode, BasicStructureReadsProductOptions) {
  const char* const kKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
  struct Case {
    const char* productType;
    OsVersionCode expected;
  } cases[] = {{"WinNT", 0x05130000}, {"winnt", 0x05130000}, {"LanmanNT", 0x05070000},
               {"SERVERNT", 0x05040000}, {"Enterprise", 0x05000000}};
  for (const auto& c : cases) {
    Machine m(Windows::Nt4Sp6a);
    m.extendedVersionInfo = false;  // NT 4 before SP6 takes only the basic structure
    m.version.csdVersion = "Service Pack 5";
    m.registry.SetString(hkey::kLocalMachine, kKey, "ProductType", c.productType);
    // The service pack is not known from the basic structure.
    EXPECT_EQ(CodeOf(m), c.expected) << c.productType;
  }

  Machine missing(Windows::Nt4Sp6a);
  missing.extendedVersionInfo = false;
  missing.registry.DeleteValue(hkey::kLocalMachine, kKey, "ProductType");
  EXPECT_EQ(CodeOf(missing), 0u);

  Machine locked(Windows::Nt4Sp6a);
  locked.extendedVersionInfo = false;
  locked.registry.FailOpen(hkey::kLocalMachine, kKey);
  EXPECT_EQ(CodeOf(locked), 0u);

  Machine tooLong(Windows::Nt4Sp6a);
  tooLong.extendedVersionInfo = false;
  tooLong.registry.SetString(hkey::kLocalMachine, kKey, "ProductType", std::string(90, 'W'));
  EXPECT_EQ(CodeOf(tooLong), 0u);
}

TEST(OsVersionCode, ProcessorComesFromNativeInfoWhenAvailable) {
  // A 32-bit process on XP x64 sees an x86 processor through GetSystemInfo.
  Machine m(Windows::XpProX64);
  EXPECT_EQ(CodeOf(m, Bitness::X86), 0x07012001u);
  m.RemoveExport("kernel32", "GetNativeSystemInfo");
  EXPECT_EQ(CodeOf(m, Bitness::X86), 0x08012000u);
  EXPECT_EQ(CodeOf(m, Bitness::X64), 0x07012001u);
}

}  // namespace
}  // namespace qz
