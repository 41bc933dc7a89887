// Loads the two access libraries by path, calls the entry points that need no driver, and
// prints one "Name=value" line per finding; last, whether both let go. Text buffers are filled
// with '#' first, so a missing terminator shows.
// usage: access_dll_check tessel.dll tesselio.dll
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/win32/windows.hpp"

namespace {

using Count = std::int32_t(WINAPI*)();
using Word = std::uint32_t(WINAPI*)();
using Peek = std::uint32_t(WINAPI*)(std::uint32_t);
using StateText = std::uint32_t(WINAPI*)(char*);
using PciInfo = std::int32_t(WINAPI*)(std::uint16_t*, std::uint16_t*, std::uint32_t,
                                      std::uint32_t*, std::uint32_t*, std::uint32_t*,
                                      std::uint8_t*);
using SetMode = void(WINAPI*)(std::int32_t);

template <typename Fn>
Fn Entry(HMODULE library, const char* name) {
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
  if (!fn) std::printf("Missing=%s\n", name);
  return fn;
}

// The state's number and text, and whether the text ended inside its field.
void PrintState(const char* label, StateText state, std::size_t field) {
  char text[80];
  std::memset(text, '#', sizeof(text));
  const auto code = static_cast<std::int32_t>(state(text));
  const bool ended = std::memchr(text, '\0', field) != nullptr;
  std::printf("%s=%d %s\n", label, code, ended ? text : "(no terminator)");
}

bool CheckTessel(const char* path) {
  HMODULE library = ::LoadLibraryA(path);
  std::printf("TesselLoaded=%d\n", library != nullptr);
  if (!library) return false;
  auto version = Entry<Word>(library, "maGetVersion");
  auto isNt = Entry<Count>(library, "maIsWinNT");
  auto isWin64 = Entry<Count>(library, "maIsWin64");
  auto peek = Entry<Peek>(library, "maPeekD");
  auto close = Entry<Count>(library, "maCloseLibrary");
  auto state = Entry<StateText>(library, "maGetLastState");
  auto info = Entry<PciInfo>(library, "maGetPCIDeviceInfo");
  if (!version || !isNt || !isWin64 || !peek || !close || !state || !info) return false;
  std::printf("Version=%u\n", static_cast<unsigned>(version()));
  std::printf("WinNT=%d\n", static_cast<int>(isNt()));
  std::printf("Win64=%d\n", static_cast<int>(isWin64()));
  std::printf("PeekUnopened=%u\n", static_cast<unsigned>(peek(0xF0000)));
  PrintState("StateUnopened", state, 52);
  std::printf("CloseUnopened=%d\n", static_cast<int>(close()));
  std::printf("InfoWithoutIds=%d\n",
              static_cast<int>(info(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr)));
  PrintState("StateWithoutIds", state, 52);
  std::printf("TesselFreed=%d\n", ::FreeLibrary(library) != FALSE);
  return true;
}

bool CheckPortLibrary(const char* path) {
  HMODULE library = ::LoadLibraryA(path);
  std::printf("PortLoaded=%d\n", library != nullptr);
  if (!library) return false;
  auto version = Entry<Count>(library, "GetNTPortVersion");
  auto in = Entry<Peek>(library, "Inport");
  auto state = Entry<StateText>(library, "GetLastState");
  auto setFast = Entry<SetMode>(library, "SetFastMode");
  auto getFast = Entry<Count>(library, "GetFastMode");
  if (!version || !in || !state || !setFast || !getFast) return false;
  std::printf("PortVersion=0x%04X\n", static_cast<unsigned>(version()));
  std::printf("InportNoDriver=%u\n", static_cast<unsigned>(in(0x71)));
  PrintState("PortState", state, 64);
  setFast(1);
  std::printf("FastMode=%d\n", static_cast<int>(getFast()));
  std::printf("PortFreed=%d\n", ::FreeLibrary(library) != FALSE);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: access_dll_check tessel.dll tesselio.dll\n");
    return 2;
  }
  const bool tessel = CheckTessel(argv[1]);
  const bool port = CheckPortLibrary(argv[2]);
  return tessel && port ? 0 : 1;
}
