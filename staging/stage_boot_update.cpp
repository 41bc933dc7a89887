#include "staging/stage_boot_update.hpp"

#include <algorithm>
#include <vector>

#include "bootflash/image_field.hpp"
#include "platform/multi_string.hpp"
#include "platform/registry_api.hpp"
#include "platform/text.hpp"
#include "platform/whole_file.hpp"
#include "staging/boot_execute.hpp"
#include "staging/last_boot_log.hpp"

namespace qz {
namespace {

// The Session Manager's list, or false when it cannot be read as one.
bool ReadMultiString(Win32Api& api, Handle key, const char* name, std::vector<std::string>& out) {
  std::uint32_t type = 0, size = 0;
  if (api.RegQueryValueEx(key, name, type, {}, size) != 0 || type != reg_type::kMultiSz) return false;
  std::vector<std::uint8_t> data(size);
  if (size != 0 && api.RegQueryValueEx(key, name, type, data, size) != 0) return false;
  out = DecodeMultiString(data);
  return true;
}

}  // namespace

bool RevisionTellsTwinsApart(std::string_view revision) {
  if (revision.size() < kDriveRevisionBytes) return false;
  for (std::size_t i = 0; i < kDriveRevisionBytes; ++i) {
    if (revision[i] != '\0' && revision[i] != ' ') return true;
  }
  return false;
}

int FlasherEntryFor(std::uint8_t family, bool wow64) {
  using namespace flasher_entry;
  switch (family) {
    case os_family::kWindowsXp: return wow64 ? kXpX64 : kXpX86;
    case os_family::kServer2003:
    case os_family::kServer2003R2: return wow64 ? kServer2003X64 : kServer2003X86;
    case os_family::kVista: return wow64 ? kVistaX64 : kVistaX86;
    case os_family::kServer2008:
    case os_family::kServer2008R2: return wow64 ? kServer2008X64 : kServer2008X86;
    case os_family::kWindows7:
    // Their Session Manager starts native programs at boot as 7's does.
    case os_family::kWindows8:
    case os_family::kWindows81:
    case os_family::kWindows10:
    case os_family::kWindows11: return wow64 ? kWindows7X64 : kWindows7X86;
    default: return -1;
  }
}

std::uint32_t StageBootUpdate(Win32Api& api, SystemInfo& system, const BootUpdateRequest& request) {
  const OsVersionCode code = system.GetOsVersionCode();
  const bool wow64 = system.IsWow64Process32();
  // Nothing to stage is not a staged update.
  if (request.flasherName.empty() || !request.flashers) return stage_result::kNotStaged;

  std::string name = request.flasherName;
  const auto exe = ToUpperAscii(name).find(".EXE");
  if (exe != std::string::npos) name.resize(exe);

  const std::string target = api.GetSystemDirectory() + "\\" + name + ".exe";

  const int entry = FlasherEntryFor(OsFamily(code), wow64);
  if (entry < 0) return code & 0xFF000000u;
  FlasherImage& image = (*request.flashers)[static_cast<std::size_t>(entry)];
  if (image.start == nullptr || image.length == 0) return stage_result::kFlasherNotWritten;

  // All or nothing: every value is checked and every key found before the first byte
  // changes, because neither side could detect a half-patched block afterwards.
  if (!RevisionTellsTwinsApart(request.driveRevision)) return stage_result::kRevisionUnknown;
  const bootflash::ImageField fields[] = {
      {"KEY=", request.driveRevision.data(), kDriveRevisionBytes},
      {"UPDATEBOOT=", request.updateBoot ? "1" : "0"},
      {"_____FW=", request.newRevision.c_str()},
      {"_FW_EXT=", request.newExtension.c_str()},
      {"DRIVECOUNT=", "0001"},
      {"VENDID1=", request.model.c_str()},
  };
  if (bootflash::PatchImageFields(image.start, image.length, fields, std::size(fields), nullptr) !=
      bootflash::PatchResult::kWritten) {
    return stage_result::kFlasherNotWritten;
  }

  // Before anything reaches the disk.
  if (!RemoveLastBootLog(api, wow64)) return stage_result::kOldLogKept;
  // A truncated flasher must not stay behind for the Session Manager to start.
  if (!WriteWhole(api, target, ConstBytes(image.start, image.length))) {
    return stage_result::kFlasherNotWritten;
  }

  Handle key = kNullHandle;
  if (api.RegOpenKeyEx(hkey::kLocalMachine, kSessionManagerKey, key_access::kAllAccess, key) != 0) {
    return stage_result::kNotStaged;
  }
  std::vector<std::string> existing;
  const bool readable = ReadMultiString(api, key, "BootExecute", existing);
  const auto entries = WithFlasherEntry(readable ? &existing : nullptr, name, request.argument);
  const auto data = EncodeMultiString(entries);
  const std::int32_t written = api.RegSetValueEx(key, "BootExecute", reg_type::kMultiSz, data);
  if (written != 0) {
    api.RegCloseKey(key);
    return stage_result::kBootExecuteNotWritten;
  }
  // A security product may undo the write while reporting success: only the value as it
  // now reads promises a run at the next start.
  std::vector<std::string> now;
  const bool listed = ReadMultiString(api, key, "BootExecute", now) &&
                      std::find(now.begin(), now.end(), entries.back()) != now.end();
  api.RegCloseKey(key);
  if (!listed) {
    api.DeleteFile(target);
    return stage_result::kBootExecuteNotWritten;
  }
  return stage_result::kStaged;
}

}  // namespace qz
