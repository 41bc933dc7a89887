#include "tools/demo/demo_transcript.hpp"

#include <iconv.h>

namespace qz::demo {

std::string Printable(const UiText& text) {
  std::string bytes = text.bytes;
  if (text.codePage == kCodePageBig5) {
    iconv_t cd = iconv_open("UTF-8", "BIG5");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      std::string out(bytes.size() * 4 + 4, '\0');
      char* in = bytes.data();
      char* o = out.data();
      std::size_t inLeft = bytes.size(), outLeft = out.size();
      if (iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1)) {
        out.resize(out.size() - outLeft);
        bytes = out;
      }
      iconv_close(cd);
    }
  }
  std::string out;
  for (char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

const char* AnswerName(int answer) {
  switch (answer) {
    case answer::kOk: return "OK";
    case answer::kCancel: return "Cancel";
    case answer::kYes: return "Yes";
    case answer::kNo: return "No";
    default: return "?";
  }
}

const char* EndName(UpdateEnd end) {
  switch (end) {
    case UpdateEnd::NoDrive: return "no eligible drive";
    case UpdateEnd::NoFlasherBuild: return "no flasher build for this processor; nothing written";
    case UpdateEnd::NeedsXpSp2: return "Windows XP before SP2 refused; nothing written";
    case UpdateEnd::ImageRefused: return "image refused";
    case UpdateEnd::FwWriteFailed: return "FW.bin not written";
    case UpdateEnd::StageFailed: return "staging failed";
    case UpdateEnd::CopyFailed: return "copies for 64-bit Windows missing; nothing staged";
    case UpdateEnd::Unstaged: return "an error after staging; the flasher taken off BootExecute again";
    case UpdateEnd::Staged: return "staged, restart declined";
    case UpdateEnd::RestartRequested: return "staged, restart requested";
  }
  return "?";
}

const char* StartupEndName(StartupEnd end) {
  switch (end) {
    case StartupEnd::BatteryLow: return "start-up ended: the battery is low";
    case StartupEnd::BadArgument: return "start-up ended: a command-line argument is neither an option nor a file";
    case StartupEnd::FirmwareFileRefused: return "start-up ended: the firmware file was refused";
    case StartupEnd::NoFirmware: return "start-up ended: the package holds no firmware";
    case StartupEnd::DeviceInitFailed: return "start-up ended: the drive manager could not be created";
    case StartupEnd::AccessDenied: return "start-up ended: no administrator rights";
    case StartupEnd::UnreachableDrive:
      return "start-up ended: the release's drive can't be reached through its controller's driver";
    case StartupEnd::NoMatchedDrives: return "start-up ended: no eligible drive";
    case StartupEnd::NoticeDeclined: return "start-up ended: the notice was declined";
    case StartupEnd::UpdateRun: return "the update command ran at start-up (silent or unattended)";
    case StartupEnd::WindowShown: return "the window was shown";
  }
  return "?";
}

void PrintBootExecute(Transcript& out, const std::vector<std::string>& entries) {
  out("   BootExecute:");
  for (const auto& e : entries) out(" \"%s\"", e.c_str());
  if (entries.empty()) out(" (empty)");
  out("\n");
}

void PrintConsole(Transcript& out, const std::string& text) {
  for (std::size_t p = 0, n; p < text.size(); p = n + 1) {
    n = text.find('\n', p);
    if (n == std::string::npos) n = text.size();
    out("   | %s\n", text.substr(p, n - p).c_str());
  }
}

}  // namespace qz::demo
