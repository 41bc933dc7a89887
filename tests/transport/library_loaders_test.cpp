#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry_api.hpp"
#include "sim/machine/boot.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_fs_redirection.hpp"
#include "sim/os/sim_physical_access.hpp"
#include "sim/os/sim_port_io.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/devices/stub_image.hpp"
#include "transport/ntport_loader.hpp"
#include "transport/tessel_loader.hpp"

namespace qz {
namespace {

using sim::StubImage;

struct Images {
  std::vector<std::uint8_t> tesselDll = StubImage(sim::kImageX86, 5000, 0x11);
  std::vector<std::uint8_t> tesselX86 = StubImage(sim::kImageX86, 3000, 0x22);
  std::vector<std::uint8_t> tesselX64 = StubImage(sim::kImageX64, 3500, 0x33);
  std::vector<std::uint8_t> portDll = StubImage(sim::kImageX86, 6000, 0x44);
  std::vector<std::uint8_t> portX86 = StubImage(sim::kImageX86, 2000, 0x55);
  std::vector<std::uint8_t> portX64 = StubImage(sim::kImageX64, 2500, 0x66);
  LibraryImages Tessel() const { return {tesselDll, tesselX86, tesselX64}; }
  LibraryImages NtPort() const { return {portDll, portX86, portX64}; }
};

// One run of the updater's start: a 32-bit process that builds both loaders.
struct StartUp {
  StartUp(sim::Machine& machine, const Images& images, bool redirectionControl = true)
      : os(machine, sim::Bitness::X86), fs(os), tesselLib(os), portLib(os) {
    fs.unavailable = !redirectionControl;
    ntport = std::make_unique<NtPortLoader>(os, fs, portLib, images.NtPort());
    tessel = std::make_unique<TesselLoader>(os, fs, tesselLib, images.Tessel());
  }
  ~StartUp() {
    tessel.reset();
    ntport.reset();
  }
  sim::SimWin32 os;
  sim::SimFsRedirection fs;
  sim::SimPhysicalAccess tesselLib;
  sim::SimPortIo portLib;
  std::unique_ptr<NtPortLoader> ntport;
  std::unique_ptr<TesselLoader> tessel;
};

class LoadersTest : public ::testing::Test {
 protected:
  explicit LoadersTest(sim::Windows release = sim::Windows::XpPro) : machine_(release) {}

  std::string Sys(const std::string& name) const { return machine_.SystemDirectory() + "\\" + name; }
  std::optional<std::vector<std::uint8_t>> File(const std::string& path) { return machine_.files.Get(path); }
  bool Running(const char* name) {
    auto* s = machine_.services.Find(name);
    return s && s->state == service_state::kRunning;
  }
  // Drivers left running by an earlier run of another kind (or another program's start).
  void StartedBefore(std::initializer_list<const char*> names) {
    for (const char* name : names) ASSERT_EQ(machine_.services.Start(*machine_.services.Find(name)), 0u);
  }
  void ForbidFileWrites() {
    for (const char* f : {"tessel.dll", "tesselio.dll", "drivers\\tessel.sys", "drivers\\tesselio.sys"}) {
      machine_.files.FailCreate(Sys(f));
      machine_.files.FailWrite(Sys(f));
    }
  }

  sim::Machine machine_;
  Images images_;
};

TEST_F(LoadersTest, FreshMachineGetsBothLibrariesDriversAndServices) {
  StartUp run(machine_, images_);
  EXPECT_EQ(run.tessel->Loaded, 1);
  EXPECT_EQ(run.ntport->Loaded, 1);
  EXPECT_EQ(File(Sys("tessel.dll")), images_.tesselDll);
  EXPECT_EQ(File(Sys("drivers\\tessel.sys")), images_.tesselX86);
  EXPECT_EQ(File(Sys("tesselio.dll")), images_.portDll);
  EXPECT_EQ(File(Sys("drivers\\tesselio.sys")), images_.portX86);
  EXPECT_TRUE(Running("tessel"));
  EXPECT_TRUE(Running("tesselio"));
  EXPECT_EQ(machine_.services.Find("tessel")->binaryPath, "\\SystemRoot\\System32\\drivers\\tessel.sys");
  EXPECT_EQ(machine_.services.Find("tessel")->startType, service_start::kDemand);
  // Loaded by full path, never by bare name.
  EXPECT_EQ(run.tesselLib.loadedPath, "C:\\WINDOWS\\system32\\tessel.dll");
  EXPECT_EQ(run.portLib.loadedPath, "C:\\WINDOWS\\system32\\tesselio.dll");
  // The port probe: a word from port 0x71, then the library's state.
  ASSERT_GE(run.portLib.calls.size(), 2u);
  EXPECT_EQ(run.portLib.calls[0], "InportW");
  EXPECT_EQ(run.portLib.calls[1], "GetLastState");
  ASSERT_FALSE(machine_.ioPorts.log.empty());
  EXPECT_EQ(machine_.ioPorts.log[0].port, 0x71);
  EXPECT_EQ(machine_.ioPorts.log[0].width, 2u);
}

TEST_F(LoadersTest, ServiceKeysAreWrittenWhenMissing) {
  StartUp run(machine_, images_);
  sim::Registry& reg = machine_.registry;
  const std::string tessel = "SYSTEM\\CurrentControlSet\\Services\\TESSEL";
  EXPECT_EQ(reg.GetDword(hkey::kLocalMachine, tessel, "Type"), 1u);
  EXPECT_EQ(reg.GetDword(hkey::kLocalMachine, tessel, "Start"), 3u);  // demand start
  EXPECT_EQ(reg.GetDword(hkey::kLocalMachine, tessel, "ErrorControl"), 1u);
  EXPECT_EQ(reg.GetString(hkey::kLocalMachine, tessel, "DisplayName"), "Tessel Library Driver");
  const auto* image = reg.GetValue(hkey::kLocalMachine, tessel, "ImagePath");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->type, reg_type::kExpandSz);
  const std::string text = "\\??\\C:\\WINDOWS\\system32\\drivers\\tessel.sys";
  EXPECT_EQ(image->data, std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
  const std::string port = "SYSTEM\\CurrentControlSet\\Services\\tesselio";
  EXPECT_EQ(reg.GetString(hkey::kLocalMachine, port, "DisplayName"), "Tessel Port I/O Driver");
  EXPECT_EQ(reg.GetDword(hkey::kLocalMachine, port, "Start"), 3u);
}

TEST_F(LoadersTest, ReleaseStopsBothDrivers) {
  {
    StartUp run(machine_, images_);
    ASSERT_TRUE(Running("tessel"));
    ASSERT_TRUE(Running("tesselio"));
  }
  EXPECT_FALSE(Running("tessel"));
  EXPECT_FALSE(Running("tesselio"));
  EXPECT_EQ(machine_.accessDrivers.tessel, nullptr);
  EXPECT_EQ(machine_.accessDrivers.port, nullptr);
  // Stopped, not removed: the next start only starts them again.
  EXPECT_NE(machine_.services.Find("tessel"), nullptr);
  EXPECT_EQ(File(Sys("drivers\\tessel.sys")), images_.tesselX86);
}

TEST_F(LoadersTest, AfterACrashNothingRunsOnceTheMachineRestarts) {
  machine_.services.Add("Beep", service_type::kKernelDriver, service_start::kSystem,
                        "System32\\drivers\\beep.sys", service_state::kRunning);
  auto crashed = std::make_unique<StartUp>(machine_, images_);  // never lets go before the restart
  ASSERT_TRUE(Running("tessel"));
  sim::RebootMachine(machine_, nullptr);
  EXPECT_FALSE(Running("tessel"));
  EXPECT_FALSE(Running("tesselio"));
  EXPECT_TRUE(Running("Beep"));  // the restart does start what is meant to start
}

TEST_F(LoadersTest, AnAutomaticStartLeftByAnEarlierRunBecomesADemandStart) {
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\TESSEL";
  machine_.registry.SetDword(hkey::kLocalMachine, key, "Start", 2);
  machine_.registry.SetString(hkey::kLocalMachine, key, "DisplayName", "Tessel Library Driver");
  { StartUp run(machine_, images_); }
  EXPECT_EQ(machine_.registry.GetDword(hkey::kLocalMachine, key, "Start"), 3u);
  EXPECT_EQ(machine_.registry.GetString(hkey::kLocalMachine, key, "DisplayName"), "Tessel Library Driver");
  sim::RebootMachine(machine_, nullptr);
  EXPECT_FALSE(Running("tessel"));
}

TEST_F(LoadersTest, TheOutsidePortLibraryIsLeftIntact) {
  const std::vector<std::uint8_t> dll = StubImage(sim::kImageX86, 7000, 0x77);
  const std::vector<std::uint8_t> sys = StubImage(sim::kImageX86, 2100, 0x78);
  machine_.files.Put(Sys("ntport.dll"), dll);
  machine_.files.Put(Sys("drivers\\zntport.sys"), sys);
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\zntport";
  machine_.registry.SetDword(hkey::kLocalMachine, key, "Start", 2);
  machine_.services.Add("zntport", service_type::kKernelDriver, service_start::kAuto,
                        "System32\\drivers\\zntport.sys", service_state::kRunning);
  {
    StartUp run(machine_, images_);
    EXPECT_EQ(run.ntport->Loaded, 1);
    EXPECT_EQ(run.portLib.loadedPath, "C:\\WINDOWS\\system32\\tesselio.dll");
  }
  EXPECT_EQ(File(Sys("ntport.dll")), dll);
  EXPECT_EQ(File(Sys("drivers\\zntport.sys")), sys);
  EXPECT_TRUE(Running("zntport"));
  EXPECT_EQ(machine_.registry.GetDword(hkey::kLocalMachine, key, "Start"), 2u);
  EXPECT_EQ(machine_.services.stopRequests, 2);  // ours alone
}

TEST_F(LoadersTest, ExistingServiceKeyIsLeftAlone) {
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\TESSEL";
  machine_.registry.SetString(hkey::kLocalMachine, key, "DisplayName", "Someone else's");
  StartUp run(machine_, images_);
  EXPECT_EQ(machine_.registry.GetString(hkey::kLocalMachine, key, "DisplayName"), "Someone else's");
  EXPECT_EQ(machine_.registry.GetDword(hkey::kLocalMachine, key, "Type"), std::nullopt);
  EXPECT_EQ(run.tessel->Loaded, 1);
}

TEST_F(LoadersTest, RegistryFailureIsIgnored) {
  machine_.registry.FailOpen(hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\TESSEL");
  StartUp run(machine_, images_);
  EXPECT_EQ(run.tessel->Loaded, 1);
}

TEST_F(LoadersTest, SecondStartWithEverythingCurrentWritesAndStartsNothing) {
  { StartUp first(machine_, images_); }
  StartedBefore({"tessel", "tesselio"});
  ForbidFileWrites();
  // A start or a stop-and-start would now fail the run.
  machine_.services.FailStart("tessel");
  machine_.services.FailStart("tesselio");
  const auto before = machine_.loadedLibraries.size();
  machine_.services.stopRequests = 0;
  StartUp second(machine_, images_);
  EXPECT_EQ(machine_.services.stopRequests, 0);
  EXPECT_EQ(second.tessel->Loaded, 1);
  EXPECT_EQ(second.ntport->Loaded, 1);
  EXPECT_TRUE(Running("tessel"));
  std::vector<std::string> loaded;
  for (auto i = before; i < machine_.loadedLibraries.size(); ++i) {
    if (machine_.loadedLibraries[i] != "kernel32") loaded.push_back(machine_.loadedLibraries[i]);
  }
  EXPECT_EQ(loaded, (std::vector<std::string>{"C:\\WINDOWS\\system32\\tesselio.dll",
                                              "C:\\WINDOWS\\system32\\tessel.dll"}));
}

TEST_F(LoadersTest, RightSizedLibraryWithOtherContentsIsKept) {
  std::vector<std::uint8_t> other = StubImage(sim::kImageX86, images_.tesselDll.size(), 0x99);
  machine_.files.Put(Sys("tessel.dll"), other);
  StartUp run(machine_, images_);
  EXPECT_EQ(File(Sys("tessel.dll")), other);
  EXPECT_EQ(run.tessel->Loaded, 1);
}

TEST_F(LoadersTest, OnlyTheLibraryRewrittenStillStartsTheService) {
  { StartUp first(machine_, images_); }
  machine_.files.Put(Sys("tessel.dll"), StubImage(sim::kImageX86, 100));
  // The driver runs; rewriting the library stops it, so it must be started again.
  StartUp second(machine_, images_);
  EXPECT_EQ(File(Sys("tessel.dll")), images_.tesselDll);
  EXPECT_TRUE(Running("tessel"));
  EXPECT_EQ(second.tessel->Loaded, 1);
}

TEST_F(LoadersTest, WrongSizedDriverIsReplacedAndRestarted) {
  { StartUp first(machine_, images_); }
  machine_.files.Put(Sys("drivers\\tesselio.sys"), StubImage(sim::kImageX86, 10));
  StartUp second(machine_, images_);
  EXPECT_EQ(File(Sys("drivers\\tesselio.sys")), images_.portX86);
  EXPECT_TRUE(Running("tesselio"));
  EXPECT_EQ(second.ntport->Loaded, 1);
}

TEST_F(LoadersTest, StoppedServiceWithCurrentFilesIsStarted) {
  { StartUp first(machine_, images_); }
  machine_.services.Stop(*machine_.services.Find("tessel"));
  ForbidFileWrites();
  StartUp second(machine_, images_);
  EXPECT_TRUE(Running("tessel"));
  EXPECT_EQ(second.tessel->Loaded, 1);
}

TEST_F(LoadersTest, ServiceThatRefusesToStopIsAskedThreeTimesAndItsFileWrittenAnyway) {
  { StartUp first(machine_, images_); }
  StartedBefore({"tessel"});
  machine_.services.RefuseStop("tessel");
  machine_.files.Put(Sys("drivers\\tessel.sys"), StubImage(sim::kImageX86, 10));
  machine_.services.stopRequests = 0;
  StartUp second(machine_, images_);
  EXPECT_EQ(machine_.services.stopRequests, 3);
  EXPECT_EQ(File(Sys("drivers\\tessel.sys")), images_.tesselX86);
  // Still running the old image: the start is refused and the loader stays unloaded.
  EXPECT_EQ(second.tessel->Loaded, 0);
  EXPECT_EQ(second.ntport->Loaded, 1);
}

TEST_F(LoadersTest, StopThatHangsIsWaitedForThenTheFileWritten) {
  { StartUp first(machine_, images_); }
  StartedBefore({"tessel"});
  machine_.services.HangStop("tessel");
  machine_.files.Put(Sys("drivers\\tessel.sys"), StubImage(sim::kImageX86, 10));
  const std::uint32_t before = machine_.clock.TickCount();
  StartUp second(machine_, images_);
  // STOP_PENDING is "not running": one stop, waited for its full 5 seconds.
  EXPECT_EQ(machine_.clock.TickCount() - before, 5000u);
  EXPECT_EQ(File(Sys("drivers\\tessel.sys")), images_.tesselX86);
  EXPECT_EQ(second.tessel->Loaded, 0);
}

TEST_F(LoadersTest, ServiceThatWillNotStartLeavesTheLoaderUnloaded) {
  machine_.services.FailStart("tessel");
  StartUp run(machine_, images_);
  EXPECT_EQ(run.tessel->Loaded, 0);
  EXPECT_FALSE(run.tesselLib.IsLoaded());
  EXPECT_EQ(std::count(machine_.loadedLibraries.begin(), machine_.loadedLibraries.end(),
                       "C:\\WINDOWS\\system32\\tessel.dll"), 0);
  EXPECT_EQ(run.ntport->Loaded, 1);
}

TEST_F(LoadersTest, LibraryThatCannotBeWrittenFailsTheInstallation) {
  machine_.files.FailCreate(Sys("tessel.dll"));
  StartUp run(machine_, images_);
  EXPECT_EQ(run.tessel->Loaded, 0);
  EXPECT_FALSE(File(Sys("drivers\\tessel.sys")).has_value());
}

TEST_F(LoadersTest, ShortWriteLeavesNoTruncatedImage) {
  machine_.files.SetCapacity(machine_.files.UsedBytes() + images_.portDll.size() + 1000);
  StartUp run(machine_, images_);
  EXPECT_EQ(run.ntport->Loaded, 0);  // the driver did not fit
  EXPECT_FALSE(File(Sys("drivers\\tesselio.sys")).has_value());
  EXPECT_EQ(run.tessel->Loaded, 0);  // nor did the next library
  EXPECT_FALSE(File(Sys("tessel.dll")).has_value());
}

TEST_F(LoadersTest, MissingEntryPointLeavesItUnloadedAndFreed) {
  sim::SimWin32 os(machine_, sim::Bitness::X86);
  sim::SimFsRedirection fs(os);
  sim::SimPhysicalAccess lib(os);
  lib.exports.erase("maGetPCIDeviceInfo");
  {
    TesselLoader loader(os, fs, lib, images_.Tessel());
    EXPECT_EQ(loader.Loaded, 0);
    EXPECT_TRUE(lib.IsLoaded());
    EXPECT_TRUE(lib.calls.empty());  // maOpenLibrary never called
  }
  EXPECT_FALSE(lib.IsLoaded());
}

TEST_F(LoadersTest, PortLibraryNeedsOnlyItsCoreEntryPoints) {
  sim::SimWin32 os(machine_, sim::Bitness::X86);
  sim::SimFsRedirection fs(os);
  sim::SimPortIo lib(os);
  lib.exports.erase("GetLPTPortAddress");
  {
    NtPortLoader loader(os, fs, lib, images_.NtPort());
    EXPECT_EQ(loader.Loaded, 1);
  }
  lib.exports.erase("OutportD");
  NtPortLoader loader(os, fs, lib, images_.NtPort());
  EXPECT_EQ(loader.Loaded, 0);
}

TEST_F(LoadersTest, ProbeFailureLeavesThePortLoaderUnloaded) {
  machine_.SetAdministrator(false);  // the devices refuse other users
  StartUp run(machine_, images_);
  EXPECT_EQ(run.ntport->Loaded, 0);
  EXPECT_EQ(run.tessel->Loaded, 0);
  EXPECT_TRUE(Running("tesselio"));
}

TEST_F(LoadersTest, ReleaseClosesTheLibraryThenFreesIt) {
  sim::SimWin32 os(machine_, sim::Bitness::X86);
  sim::SimFsRedirection fs(os);
  sim::SimPhysicalAccess lib(os);
  {
    TesselLoader loader(os, fs, lib, images_.Tessel());
    ASSERT_EQ(loader.Loaded, 1);
    EXPECT_EQ(os.OpenHandleCount(), 1u);
  }
  EXPECT_EQ(lib.calls.back(), "maCloseLibrary");
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

class LoadersOn64Bit : public LoadersTest {
 protected:
  LoadersOn64Bit() : LoadersTest(sim::Windows::Win7X64) {}
};

TEST_F(LoadersOn64Bit, X64DriversGoToTheNativeSystemDirectory) {
  StartUp run(machine_, images_);
  EXPECT_EQ(run.tessel->Loaded, 1);
  EXPECT_EQ(run.ntport->Loaded, 1);
  EXPECT_EQ(File("C:\\WINDOWS\\system32\\drivers\\tessel.sys"), images_.tesselX64);
  EXPECT_EQ(File("C:\\WINDOWS\\system32\\drivers\\tesselio.sys"), images_.portX64);
  EXPECT_FALSE(File("C:\\WINDOWS\\SysWOW64\\drivers\\tessel.sys").has_value());
  // The libraries are 32-bit and live with the 32-bit system files.
  EXPECT_EQ(File("C:\\WINDOWS\\SysWOW64\\tessel.dll"), images_.tesselDll);
  EXPECT_EQ(File("C:\\WINDOWS\\SysWOW64\\tesselio.dll"), images_.portDll);
  EXPECT_FALSE(File("C:\\WINDOWS\\system32\\tessel.dll").has_value());
  EXPECT_FALSE(run.os.fsRedirectionDisabled);  // put back afterwards
}

TEST_F(LoadersOn64Bit, SecondStartFindsTheX64DriversCurrent) {
  { StartUp first(machine_, images_); }
  StartedBefore({"tessel"});
  ForbidFileWrites();
  for (const char* f : {"C:\\WINDOWS\\SysWOW64\\tessel.dll", "C:\\WINDOWS\\SysWOW64\\tesselio.dll"}) {
    machine_.files.FailCreate(f);
  }
  machine_.services.FailStart("tessel");
  StartUp second(machine_, images_);
  EXPECT_EQ(second.tessel->Loaded, 1);
}

TEST_F(LoadersOn64Bit, WithoutRedirectionControlTheDriverCannotStart) {
  StartUp run(machine_, images_, false);
  EXPECT_EQ(run.tessel->Loaded, 0);
  EXPECT_FALSE(File("C:\\WINDOWS\\system32\\drivers\\tessel.sys").has_value());
}

class LoadersOn9x : public LoadersTest {
 protected:
  LoadersOn9x() : LoadersTest(sim::Windows::Win98Se) {}
};

TEST_F(LoadersOn9x, TesselFailsWithoutWritingAndPortLibraryHasNoDriver) {
  StartUp run(machine_, images_);
  EXPECT_EQ(run.tessel->Loaded, 0);
  EXPECT_FALSE(File(Sys("tessel.dll")).has_value());
  EXPECT_FALSE(File(Sys("drivers\\tessel.sys")).has_value());
  EXPECT_EQ(File(Sys("tesselio.dll")), images_.portDll);
  EXPECT_FALSE(File(Sys("drivers\\tesselio.sys")).has_value());
  EXPECT_EQ(run.ntport->Loaded, 0);  // no port driver answers
  EXPECT_EQ(machine_.registry.Find(hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\TESSEL"),
            nullptr);
}

// From Windows 8 on neither driver is written, registered or started, whatever an earlier
// run left behind, and each loader says why.
TEST(LoadersOnWindows8AndLater, NothingIsInstalledAndTheReasonIsGiven) {
  const std::string unsigned64 = "not loaded: 64-bit Windows refuses unsigned drivers";
  const std::string blocked = "not loaded: Windows 11 blocks drivers that give physical-memory or "
                              "port access, even when they are signed";
  const std::string passThrough = "not loaded: from Windows 8 on the drives are reached through "
                                  "pass-through only";
  const struct {
    sim::Windows release;
    std::uint32_t build;  // 0: the release's own
    const std::string& reason;
  } rows[] = {
      {sim::Windows::Win8X86, 0, passThrough}, {sim::Windows::Win8X64, 0, unsigned64},
      {sim::Windows::Win81X86, 0, passThrough}, {sim::Windows::Win81X64, 0, unsigned64},
      {sim::Windows::Win10X86, 0, passThrough}, {sim::Windows::Win10X64, 21999, unsigned64},
      {sim::Windows::Win10X64, 22000, blocked}, {sim::Windows::Win11X64, 0, blocked},
  };
  const Images images;
  for (const auto& row : rows) {
    const std::string name = std::string(sim::WindowsName(row.release)) + " " + std::to_string(row.build);
    sim::Machine machine(row.release);
    if (row.build != 0) machine.version.buildNumber = row.build;
    StartUp run(machine, images);
    EXPECT_EQ(run.tessel->Loaded, 0) << name;
    EXPECT_EQ(run.ntport->Loaded, 0) << name;
    EXPECT_EQ(run.tessel->NotLoadedReason, row.reason) << name;
    EXPECT_EQ(run.ntport->NotLoadedReason, row.reason) << name;
    EXPECT_FALSE(run.tesselLib.IsLoaded()) << name;
    EXPECT_FALSE(run.portLib.IsLoaded()) << name;
    EXPECT_TRUE(machine.ioPorts.log.empty()) << name << ": the port probe ran";
    for (const char* dir : {"C:\\WINDOWS\\system32\\", "C:\\WINDOWS\\SysWOW64\\"}) {
      for (const char* f : {"tessel.dll", "tesselio.dll", "drivers\\tessel.sys", "drivers\\tesselio.sys"}) {
        EXPECT_FALSE(machine.files.Exists(std::string(dir) + f)) << name << ": " << dir << f;
      }
    }
    for (const char* key : {"SYSTEM\\CurrentControlSet\\Services\\TESSEL",
                            "SYSTEM\\CurrentControlSet\\Services\\tesselio"}) {
      EXPECT_EQ(machine.registry.Find(hkey::kLocalMachine, key), nullptr) << name << ": " << key;
    }
    EXPECT_EQ(machine.services.Find("tessel"), nullptr) << name;
    EXPECT_EQ(machine.services.Find("tesselio"), nullptr) << name;
  }
  // Windows 7 keeps its drivers.
  sim::Machine seven(sim::Windows::Win7X64);
  StartUp run(seven, images);
  EXPECT_EQ(run.tessel->Loaded, 1);
  EXPECT_TRUE(run.tessel->NotLoadedReason.empty());
}

}  // namespace
}  // namespace qz
