// The SiI3124 transport against a card whose every answer comes from the fuzzer: where the
// request block goes, where the system buffer lies, how long slot 0 stays busy (or never
// ends), the interrupt, error and enable registers, failing physical accesses and the data.
// Up to four commands on two ports make one run of the updater; the loader's release ends
// it. The target aborts when the transport touches a register it does not document, writes
// outside the request block and the data, moves data beyond the caller's length, frees or
// reuses the system buffer while a command on it may be live, leaves the port's interrupts
// enabled during a command, or reports success for a command that did not complete cleanly.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "tests/fuzz/fuzz_input.hpp"
#include "tests/transport/command_rig.hpp"
#include "transport/service_helpers.hpp"
#include "transport/sil3124_transport.hpp"

using namespace qz;

namespace {

[[noreturn]] void Violation(const char* what, std::uint32_t address = 0) {
  std::fprintf(stderr, "sil3124_replies: %s (0x%08X)\n", what, address);
  std::abort();
}

constexpr std::uint32_t kWindow = 0xFEAF8000;
constexpr std::uint32_t kPorts[] = {kWindow + 1 * 0x2000, kWindow + 3 * 0x2000};

class FuzzedCard final : public PhysicalAccessApi {
 public:
  explicit FuzzedCard(fuzz::Input& in) : in_(in) {}

  // One command on the port at `port`, for a caller's buffer of `size` and `length`.
  void Begin(std::uint32_t port, std::uint32_t length, std::size_t size, std::uint32_t direction,
             const std::uint8_t* out) {
    port_ = port;
    out_ = out;
    requestBlock_ = 0;
    length_ = length;
    size_ = size;
    direction_ = direction;
    written_.clear();
    activated_ = completed_ = errorRead_ = false;
    errorValue_ = 1;
    maskBefore_ = mask_;
  }
  bool stranded() const { return live_; }
  bool Succeeded() const { return activated_ && completed_ && errorRead_ && errorValue_ == 0; }
  std::uint32_t maskBefore() const { return maskBefore_; }
  std::uint32_t mask() const { return mask_; }
  // What the port moved into the system buffer, for comparison with the caller's buffer.
  std::uint8_t DataByte(std::uint32_t i) const {
    return static_cast<std::uint8_t>(DmaWord(i & ~3u) >> (8 * (i & 3)));
  }
  bool Load(const std::string&) override { return true; }
  bool Resolve(const std::string&) override { return true; }
  void Free() override {}
  bool IsLoaded() const override { return true; }
  std::int32_t maOpenLibrary() override { return -1; }
  std::int32_t maCloseLibrary() override { return 1; }
  std::uint8_t maPeekB(std::uint32_t a) override { Violation("byte read", a); }
  std::uint16_t maPeekW(std::uint32_t a) override { Violation("word read", a); }
  std::int32_t maPokeB(std::uint32_t a, std::uint8_t) override { Violation("byte write", a); }
  std::int32_t maPokeW(std::uint32_t a, std::uint16_t) override { Violation("word write", a); }
  std::int32_t maUnmapPhysicalMemory(std::uint32_t, std::uint32_t) override { Violation("unmap"); }
  std::uint32_t maMapPhysToLinear(std::uint32_t a, std::uint32_t, std::uint32_t*) override {
    Violation("map", a);
  }
  std::uint16_t maGetVersion() override { return 320; }
  std::int32_t maGetDeviceBaseAddress(std::uint16_t*, std::uint16_t*, std::uint32_t,
                                      std::uint8_t*) override {
    Violation("base address query");
  }
  std::int32_t maGetPCIDeviceInfo(std::uint16_t*, std::uint16_t*, std::uint32_t, std::uint32_t*,
                                  std::uint32_t*, std::uint32_t*, std::uint8_t*) override {
    Violation("device query");
  }
  std::uint32_t maGetLastState(char* text) override {
    if (text) std::snprintf(text, 52, "%s", state_ ? "An unexpected error occured" : "");
    return state_;
  }

  std::uint32_t maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) override {
    if (live_) Violation("system buffer reused while a command may be live");
    if (size == 0) return Release();
    // Mostly where a driver would put it; sometimes anywhere, or short.
    const std::uint8_t how = in_.Byte();
    bufferBase_ = (how & 3) == 3 ? static_cast<std::uint32_t>(in_.Number(4)) : 0x1F000000u;
    bufferSize_ = (how & 4) ? static_cast<std::uint32_t>(in_.Number(3)) : size;
    // The driver's buffer is RAM, never the card's registers.
    if (bufferBase_ < kWindow + 0x8000ull && bufferBase_ + static_cast<std::uint64_t>(bufferSize_) > kWindow) {
      bufferBase_ = 0x1F000000u;
    }
    allocated_ = true;
    if (physical) *physical = bufferBase_;
    state_ = 0;
    return bufferSize_;
  }
  std::int32_t maFreeSystemBuffer() override { return Release() == 0 ? 1 : 0; }

  std::uint32_t maPeekD(std::uint32_t a) override {
    Access();
    if (InBuffer(a)) {
      if (direction_ != data_direction::kIn || !completed_ || !errorRead_ || errorValue_ != 0) {
        Violation("system buffer read outside a completed data-in command", a);
      }
      if (a < bufferBase_ || a + 4 > bufferBase_ + std::min<std::uint64_t>(length_, size_)) {
        Violation("data read beyond the caller's length", a);
      }
      return DmaWord(a - bufferBase_);
    }
    if (a < port_ || a >= port_ + 0x2000) Violation("read outside the port and the buffer", a);
    switch (a - port_) {
      case sil_port::kRequestBlockAddress: return RequestBlockAddress();
      case sil_port::kInterruptStatus: return static_cast<std::uint32_t>(in_.Number(4));
      case sil_port::kInterruptEnable:
      case sil_port::kInterruptEnableClear: return mask_;
      case sil_port::kCommandError:
        if (!completed_) Violation("error register read before completion", a);
        errorRead_ = true;
        errorValue_ = static_cast<std::uint32_t>(in_.Number(1));
        return errorValue_;
      case sil_port::kSlotStatus: return SlotStatus();
      default: Violation("read of an undocumented register", a);
    }
  }

  std::int32_t maPokeD(std::uint32_t a, std::uint32_t v) override {
    Access();
    if (activated_ && !completed_ && !(a >= port_ && a - port_ >= 0x1000)) {
      Violation("memory written while the command may be live", a);
    }
    if (InBuffer(a) && !(a >= port_ && a < port_ + 0x2000)) {
      if (activated_) Violation("system buffer written after activation", a);
      const bool data = direction_ == data_direction::kOut && a >= bufferBase_ &&
                        a + 4ull <= bufferBase_ + std::min<std::uint64_t>(length_, size_);
      const bool block = a >= requestBlock_ && a + 4ull <= requestBlock_ + 48ull;
      if (!data && !block) Violation("system buffer written outside the data and the block", a);
      if (block) {
        memory_[a] = v;
        written_.insert(a);
      } else if (std::memcmp(&v, out_ + (a - bufferBase_), 4) != 0) {
        Violation("data word other than the caller's", a);
      }
      return -1;
    }
    if (a < port_ || a >= port_ + 0x2000) Violation("write outside the port and the buffer", a);
    const std::uint32_t at = a - port_;
    if (at < 0x1000) {
      if (at >= sil_port::kRequestBlockAddress && at < sil_port::kRequestBlockAddress + 4) {
        Violation("write over the request-block address register", a);
      }
      memory_[a] = v;
      written_.insert(a);
      return -1;
    }
    switch (at) {
      case sil_port::kInterruptStatus:
        if (v != sil_port::kCommandComplete) Violation("interrupt status written with other bits", v);
        return -1;
      case sil_port::kInterruptEnable:
        if (v & ~maskBefore_) Violation("interrupt enabled that was not", v);
        mask_ |= v;
        return -1;
      case sil_port::kInterruptEnableClear:
        mask_ &= ~v;
        return -1;
      case sil_port::kActivateLow:
        activateLow_ = v;
        return -1;
      case sil_port::kActivateHigh:
        if (v != 0) Violation("request block above 4 GiB", v);
        Activate();
        return -1;
      default: Violation("write to an undocumented register", a);
    }
  }

 private:
  // A fuzzed failure of the library on this access, seen by the next state query.
  void Access() {
    if (live_ && !activated_) Violation("port or buffer used again after a time-out");
    state_ = (in_.Byte() == 0xEE) ? 1450u : 0u;
  }

  std::uint32_t Release() {
    if (live_) Violation("system buffer freed while a command may be live");
    allocated_ = false;
    state_ = 0;
    return 0;
  }

  bool InBuffer(std::uint32_t a) const {
    return allocated_ && a >= bufferBase_ &&
           static_cast<std::uint64_t>(a) + 4 <= static_cast<std::uint64_t>(bufferBase_) + bufferSize_;
  }

  std::uint32_t RequestBlockAddress() {
    const std::uint8_t how = in_.Byte();
    switch (how & 3) {
      case 0: requestBlock_ = port_ + 0x100; break;
      case 1: requestBlock_ = port_ + static_cast<std::uint32_t>(in_.Number(2) & 0x1FFF); break;
      case 2: requestBlock_ = bufferBase_ + static_cast<std::uint32_t>(in_.Number(3)); break;
      default: requestBlock_ = static_cast<std::uint32_t>(in_.Number(4)); break;
    }
    return requestBlock_;
  }

  std::uint32_t Word(std::uint32_t a) const {
    if (!written_.count(a)) Violation("request block word not written for this command", a);
    return memory_.at(a);
  }

  void Activate() {
    if (activated_) Violation("slot 0 activated twice");
    if (mask_ != 0) Violation("port interrupts enabled during the command", mask_);
    const std::uint32_t a = activateLow_;
    if (a != requestBlock_) Violation("activated at another address than the port named", a);
    std::uint32_t block[12];
    for (std::uint32_t i = 0; i < 12; ++i) block[i] = Word(a + 4 * i);
    const std::uint32_t sgAddress = block[8], sgCount = block[10];
    if (block[9] != 0) Violation("scatter-gather address above 4 GiB");
    if (sgAddress != bufferBase_) Violation("scatter-gather entry not on the system buffer", sgAddress);
    if (sgCount > length_ || sgCount > size_ || sgCount > bufferSize_) {
      Violation("scatter-gather entry beyond the buffers", sgCount);
    }
    if (a < sgAddress + static_cast<std::uint64_t>(sgCount) && sgAddress < a + 48u) {
      Violation("request block inside the data it describes", a);
    }
    activated_ = true;
    live_ = true;
    busyReads_ = in_.Byte();  // 0xFF: the command never ends
    if (direction_ == data_direction::kIn) dmaSeed_ = in_.Byte();
  }

  // The word the port moved to `offset` of the system buffer.
  std::uint32_t DmaWord(std::uint32_t offset) const {
    return (dmaSeed_ * 0x01010101u) ^ (offset * 2654435761u);
  }

  std::uint32_t SlotStatus() {
    if (!activated_) return in_.Byte() & 1;  // busy with somebody else's command
    if (completed_) return 0;
    if (busyReads_ == 0xFF) return 1;
    if (busyReads_ > 0) {
      --busyReads_;
      return 1;
    }
    completed_ = true;
    live_ = false;
    return 0;
  }

  fuzz::Input& in_;
  const std::uint8_t* out_ = nullptr;
  std::uint32_t port_ = 0, length_ = 0, direction_ = 0;
  std::size_t size_ = 0;
  std::uint32_t bufferBase_ = 0, bufferSize_ = 0, requestBlock_ = 0, activateLow_ = 0;
  bool allocated_ = false, activated_ = false, completed_ = false, errorRead_ = false;
  bool live_ = false;
  std::uint32_t errorValue_ = 1, busyReads_ = 0, state_ = 0, dmaSeed_ = 0;
  std::uint32_t mask_ = 0x000F0001, maskBefore_ = 0;
  std::map<std::uint32_t, std::uint32_t> memory_;
  std::set<std::uint32_t> written_;
};

const std::vector<std::uint8_t>& Sentinel() {
  static const std::vector<std::uint8_t> bytes(0x20000 + 16, 0xA5);
  return bytes;
}

test::CommandRig& Rig() {
  static test::CommandRig rig;
  return rig;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  test::CommandRig& rig = Rig();
  fuzz::Input in(data, size);
  FuzzedCard card(in);
  bool stranded = false;
  {
    TesselLoader loader(rig.api, rig.fs, card,
                        {rig.tesselDll, rig.tesselX86, rig.tesselX64});
    if (!loader.Loaded) return 0;
    HighResTimer timer(rig.api);
    for (int command = 0; command < 4 && !in.empty(); ++command) {
      const std::uint8_t how = in.Byte();
      const std::uint32_t port = kPorts[how & 1];
      const std::uint32_t direction = (how >> 1) % 3 * 2;  // 0, 2 or 4
      const std::uint32_t length = static_cast<std::uint32_t>(in.Number(3) & 0x1FFFF);
      const std::size_t bufferSize = (how & 0x80) ? length : in.Number(3) & 0x1FFFF;
      const float timeout = 0.001f * static_cast<float>(1 + (in.Byte() & 0x3F));
      std::vector<std::uint8_t> buffer(bufferSize + 16, 0xA5);
      card.Begin(port, length, bufferSize, direction, buffer.data());
      Sil3124Transport transport(&loader, timer, rig.api, timeout, port);
      TaskFile t{};
      t.Command = direction == data_direction::kNone ? 0xEF : 0xEC;
      const std::uint8_t result =
          transport.Send(t, Bytes(buffer.data(), bufferSize), nullptr, direction, length);
      if (result == command_result::kSuccess && !card.Succeeded()) {
        Violation("success reported for a command that did not complete cleanly");
      }
      if (result == command_result::kTimeout && !card.stranded()) {
        Violation("time-out reported for a command that completed");
      }
      if (card.mask() != card.maskBefore()) Violation("interrupt mask not restored", card.mask());
      // Only the data may change, and on success it is what the port moved.
      const std::size_t moved =
          direction == data_direction::kIn ? std::min<std::size_t>(length, bufferSize) : 0;
      if (std::memcmp(buffer.data() + moved, Sentinel().data(), buffer.size() - moved) != 0) {
        Violation("caller's buffer changed beyond the data");
      }
      if (moved != 0 && result == command_result::kSuccess) {
        std::vector<std::uint8_t> expected(moved);
        for (std::size_t i = 0; i < moved; ++i) expected[i] = card.DataByte(static_cast<std::uint32_t>(i));
        if (std::memcmp(buffer.data(), expected.data(), moved) != 0) {
          Violation("success with data other than the port moved");
        }
      }
    }
    stranded = card.stranded();
  }
  // A command that may still run keeps its buffer: the driver must still be running.
  if (stranded && IsServiceRunning(rig.api, "tessel") != ServiceState::Running) {
    Violation("driver stopped while a command may still write into its buffer");
  }
  return 0;
}
