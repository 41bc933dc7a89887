// Request sequences to both drivers' request handling (the physical-access device and the
// port device) on a simulated machine, from two processes that open, duplicate and close
// handles and end, after which a new process may get an ended one's identity; the driver
// unloads. Each input runs twice, with the system buffer's bytes beyond the input filled with
// 0x00 and then 0xFF, and both runs must answer alike. Checked: each request touches only what
// it names, configuration writes go only to a found function's base address registers and are
// undone, views are unmapped only where they live, the common buffer is never freed twice nor
// named once freed, short and unknown requests touch nothing, and no reply exceeds its buffer.
//
// Input, one operation after another (a missing byte reads 0):
//   0 p           open a handle in process p (p & 1)
//   1 p h         duplicate process p's handle h into the other process
//   2 p h         close process p's handle h
//   3 p h c i o   a request through that handle: code c (below), input length i (up to 40),
//                 output length o (up to 120), then i bytes of input
//   4 c i o       a request to the port device, the same way
//   5 p           process p ends; a new process takes its place
//   6             every handle closes and the driver unloads
// Codes: c % 8 picks the physical-access codes (six known, two unknown); the port codes are
// c % 4 (three known, one unknown).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/little_endian.hpp"
#include "sim/devices/port_driver.hpp"
#include "sim/devices/tessel_driver.hpp"
#include "tests/fuzz/fuzz_input.hpp"

using namespace qz;

namespace {

void Promise(bool kept, const char* what) {
  if (kept) return;
  std::fprintf(stderr, "driver promise broken: %s\n", what);
  std::abort();
}


constexpr std::uint32_t kRead = 0x222000, kWrite = 0x222004, kMap = 0x222008, kUnmap = 0x22200C,
                        kFind = 0x222010, kDma = 0x222018;
constexpr std::uint32_t kCodes[8] = {kRead, kWrite, kMap, kUnmap, kFind, kDma, 0x222014, 0x22201C};
// Input and output each code needs (the find request is content with 88 bytes).
struct Need {
  std::uint32_t code, in, out;
};
constexpr Need kNeeds[] = {{kRead, 12, 4}, {kWrite, 12, 4}, {kMap, 16, 16},
                           {kUnmap, 16, 4}, {kFind, 8, 88}, {kDma, 16, 16}};
constexpr std::uint32_t kPortRead = 0x222400, kPortWrite = 0x222404;
constexpr std::uint32_t kPortCodes[4] = {kPortRead, kPortWrite, 0x222408, 0x22240C};

constexpr std::uint64_t kIdentities[] = {0x1F4, 0x2A0, 0x3C8, 0x4B0, 0x5DC, 0x6E4};

class Echo : public sim::PortHandler {
 public:
  std::uint32_t In(std::uint16_t port, std::uint32_t) override { return 0x5A5A0000u | port; }
  void Out(std::uint16_t, std::uint32_t, std::uint32_t) override {}
};

class World {
 public:
  explicit World(std::uint8_t tailFill)
      : tailFill_(tailFill), access_(pci_, memory_), portAccess_(ports_, memory_) {
    access_.logAccesses = true;
    memory_.AddRam(0x1000, 0x1000);
    ports_.Claim(0x1F0, 8, std::make_shared<Echo>());
    ports_.Claim(0xCF8, 8, std::make_shared<Echo>());
    BuildPci();
    device_.emplace(access_);
    portDevice_.emplace(portAccess_);
    identity_[0] = kIdentities[0];
    identity_[1] = kIdentities[1];
  }

  void Run(fuzz::Input& in) {
    while (!in.empty()) {
      switch (in.Byte() % 7) {
        case 0: Open(in.Byte() & 1); break;
        case 1: {
          const int p = in.Byte() & 1;
          const std::uint8_t h = in.Byte();
          if (!handles_[p].empty()) handles_[1 - p].push_back(handles_[p][h % handles_[p].size()]);
          break;
        }
        case 2: {
          const int p = in.Byte() & 1;
          Close(p, in.Byte());
          break;
        }
        case 3: Request(in); break;
        case 4: PortRequest(in); break;
        case 5: EndProcess(in.Byte() & 1); break;
        default: Unload(); break;
      }
      Promise(access_.unmapsInWrongProcess == 0, "a view was unmapped in another process");
      Promise(access_.unmapsOfUnknownViews == 0, "an unmap named no view the driver made");
      Promise(access_.badReleases == 0, "a process reference was given back twice");
      Promise(access_.commonBufferFaults == 0, "the common buffer was freed twice or leaked");
    }
    Unload();
  }

  const std::vector<std::uint8_t>& transcript() const { return transcript_; }

 private:
  struct Function {
    std::shared_ptr<sim::PciConfigFunction> f;
    std::uint32_t bus, device, function;
  };
  struct View {
    std::uint64_t owner, process;
    std::uint32_t handle, linear;
  };

  void Add(std::uint32_t b, std::uint32_t d, std::uint32_t f,
           std::shared_ptr<sim::PciConfigFunction> fn) {
    pci_.Add(b, d, f, fn);
    functions_.push_back({fn, b, d, f});
  }

  void BuildPci() {
    Add(0, 0, 0, std::make_shared<sim::PciConfigFunction>(0x8086, 0x2E10));
    auto bridge = std::make_shared<sim::PciConfigFunction>(0x8086, 0x244E, 0x060400, 1);
    bridge->SetMemoryBar(0, 0xFE000000, 0x1000);
    bridge->config[0x19] = 1;
    bridge->config[0x1A] = 1;
    Add(0, 1, 0, bridge);
    auto wide = std::make_shared<sim::PciConfigFunction>(0x10DE, 0x0640, 0x030000, 0x80);
    wide->SetMemoryBar64(0, 0x400000000ull, 0x200000000ull, true);
    wide->SetIoBar(2, 0xE000, 0x80);
    Add(0, 2, 0, wide);
    auto second = std::make_shared<sim::PciConfigFunction>(0x10DE, 0x0BE2, 0x040300);
    second->SetMemoryBar64(4, 0xFDF00000, 0x4000);
    Add(0, 2, 1, second);
    auto sil = std::make_shared<sim::PciConfigFunction>(0x1095, 0x3124, 0x010400);
    sil->SetMemoryBar(0, 0xFEBFFC00, 0x80, false, true);
    sil->SetMemoryBar(2, 0xFEBF8000, 0x8000, false, true);
    sil->SetIoBar(4, 0xEC00, 0x10);
    Add(1, 0, 0, sil);
    auto cardbus = std::make_shared<sim::PciConfigFunction>(0x1180, 0x0476, 0x060700, 2);
    cardbus->SetMemoryBar(0, 0xFE100000, 0x1000);
    Add(1, 3, 0, cardbus);
  }

  std::uint64_t OpenCount(std::uint64_t object) const {
    std::uint64_t n = 0;
    for (const auto& list : handles_) n += std::count(list.begin(), list.end(), object);
    return n;
  }

  void Open(int p) {
    // File objects are pool memory: a new one may get the address of a closed one.
    std::uint64_t object = 0x8A001000;
    while (OpenCount(object) != 0) object += 0x100;
    handles_[p].push_back(object);
  }

  void Close(int p, std::uint8_t h) {
    if (handles_[p].empty()) return;
    const auto at = handles_[p].begin() + h % handles_[p].size();
    const std::uint64_t object = *at;
    handles_[p].erase(at);
    if (OpenCount(object) != 0) return;
    access_.process = identity_[p];  // the last close runs in the closing process
    device_->Cleanup(object);
    for (auto it = views_.begin(); it != views_.end();) {
      if (it->second.owner == object) {
        Promise(access_.views.count(it->first) == 0, "a view outlived the handle it was made through");
        it = views_.erase(it);
      } else {
        ++it;
      }
    }
    if (bufferOwner_ == object) bufferOwnerOpen_ = false;
  }

  void EndProcess(int p) {
    while (!handles_[p].empty()) Close(p, 0);
    const std::uint64_t ended = identity_[p];
    access_.EndProcess(ended);
    for (auto it = views_.begin(); it != views_.end();) {
      it = it->second.process == ended ? views_.erase(it) : std::next(it);
    }
    // The new process takes the first identity that is free: an ended one's, if nobody holds it.
    for (std::uint64_t id : kIdentities) {
      if (id != identity_[1 - p] && access_.StartProcess(id)) {
        identity_[p] = id;
        return;
      }
    }
    // All of them still referenced: a fresh one.
    identity_[p] = nextIdentity_ += 4;
    access_.StartProcess(identity_[p]);
  }

  void Unload() {
    for (int p = 0; p < 2; ++p) {
      while (!handles_[p].empty()) Close(p, 0);
    }
    Promise(device_->viewsInUse() == 0, "a view slot outlived every handle");
    device_->Release();
    Promise(access_.commonBuffer() == 0, "the common buffer outlived the driver");
    device_.emplace(access_);
    bufferOwnerOpen_ = false;
  }

  std::vector<std::uint8_t> SystemBuffer(fuzz::Input& in, std::uint32_t& inLength,
                                         std::uint32_t& outLength) {
    inLength = in.Byte() % 41;
    outLength = in.Byte() % 121;
    std::vector<std::uint8_t> buffer(std::max(inLength, outLength), tailFill_);
    for (std::uint32_t i = 0; i < inLength; ++i) buffer[i] = in.Byte();
    return buffer;
  }

  void Record(std::uint32_t code, const kstatus::Reply& reply, std::uint32_t outLength,
              const std::vector<std::uint8_t>& buffer) {
    Promise(reply.information <= outLength, "a reply exceeded the output buffer");
    const std::uint32_t words[] = {code, static_cast<std::uint32_t>(reply.status), reply.information};
    for (std::uint32_t w : words) {
      transcript_.resize(transcript_.size() + 4);
      le::Store32(transcript_.data() + transcript_.size() - 4, w);
    }
    transcript_.push_back(static_cast<std::uint8_t>(access_.physicalAccesses.size()));
    transcript_.push_back(static_cast<std::uint8_t>(access_.views.size()));
    if (reply.status >= 0) {
      transcript_.insert(transcript_.end(), buffer.begin(), buffer.begin() + reply.information);
    }
  }

  void Request(fuzz::Input& in) {
    const int p = in.Byte() & 1;
    const std::uint8_t h = in.Byte();
    const std::uint32_t code = kCodes[in.Byte() % 8];
    std::uint32_t inLength = 0, outLength = 0;
    std::vector<std::uint8_t> buffer = SystemBuffer(in, inLength, outLength);
    if (handles_[p].empty()) return;
    const std::uint64_t owner = handles_[p][h % handles_[p].size()];
    const std::vector<std::uint8_t> input(buffer.begin(), buffer.begin() + inLength);

    bool wellFormed = false;
    for (const Need& n : kNeeds) wellFormed |= n.code == code && inLength >= n.in && outLength >= n.out;
    std::vector<std::array<std::uint8_t, 256>> configs;
    for (const Function& f : functions_) configs.push_back(f.f->config);
    const std::map<std::uint64_t, sim::SimMachineAccess::View> viewsBefore = access_.views;
    const std::uint64_t bufferBefore = access_.commonBuffer();
    access_.physicalAccesses.clear();
    access_.configWrites.clear();
    access_.process = identity_[p];

    const kstatus::Reply reply =
        device_->Handle(owner, code, buffer.empty() ? nullptr : buffer.data(), inLength, outLength);
    Record(code, reply, outLength, buffer);

    if (!wellFormed) {
      Promise(reply.status < 0, "a short or unknown request succeeded");
      Promise(access_.physicalAccesses.empty() && access_.configWrites.empty() &&
                  access_.views.size() == viewsBefore.size() && access_.commonBuffer() == bufferBefore,
              "a short or unknown request touched the machine");
      return;
    }
    CheckPhysical(code, input.data());
    CheckConfig(code, reply, buffer, configs);
    CheckViews(code, owner, reply, input.data(), buffer, viewsBefore);
    CheckBuffer(code, owner, reply, buffer, bufferBefore);
  }

  void CheckPhysical(std::uint32_t code, const std::uint8_t* input) {
    const auto& log = access_.physicalAccesses;
    if (code != kRead && code != kWrite) {
      Promise(log.empty(), "a request touched physical memory it did not name");
      return;
    }
    const std::uint32_t width = le::Load32(input + 4);
    if (width != 1 && width != 2 && width != 4) {
      Promise(log.empty(), "a width the driver does not move touched memory");
      return;
    }
    Promise(log.size() == 1 && log[0].address == le::Load32(input) && log[0].width == width &&
                log[0].write == (code == kWrite),
            "not exactly one access at the address and width asked");
  }

  void CheckConfig(std::uint32_t code, const kstatus::Reply& reply, const std::vector<std::uint8_t>& out,
                   const std::vector<std::array<std::uint8_t, 256>>& before) {
    for (std::size_t i = 0; i < functions_.size(); ++i) {
      Promise(functions_[i].f->config == before[i], "a configuration register was left changed");
    }
    const auto& writes = access_.configWrites;
    if (writes.empty()) return;
    Promise(code == kFind && reply.status >= 0 && reply.information >= 88,
            "configuration written outside a found function's sizing");
    const auto& w0 = writes[0];
    const Function* found = nullptr;
    for (std::size_t i = 0; i < functions_.size(); ++i) {
      const Function& f = functions_[i];
      if (f.bus == w0.bus && f.device == w0.slot && f.function == w0.function) found = &f;
    }
    Promise(found != nullptr, "configuration written where no function is");
    if (reply.information >= 100) {
      Promise(le::Load32(out.data() + 88) == w0.bus && le::Load32(out.data() + 92) == w0.slot &&
                  le::Load32(out.data() + 96) == w0.function,
              "configuration written to another function than the one found");
    }
    const std::size_t index = static_cast<std::size_t>(found - functions_.data());
    const std::uint8_t* config = before[index].data();
    const std::uint32_t type = config[14] & 0x7F;
    const std::uint32_t registers = type == 0 ? 6 : type == 1 ? 2 : type == 2 ? 1 : 0;
    bool upper[6] = {};
    for (std::uint32_t r = 0; r + 1 < 6; ++r) {
      const std::uint32_t bar = le::Load32(config + 0x10 + 4 * r);
      if (!upper[r] && (bar & 1u) == 0 && (bar & 6u) == 4u) upper[r + 1] = true;
    }
    for (const auto& w : writes) {
      Promise(w.bus == w0.bus && w.slot == w0.slot && w.function == w0.function,
              "configuration written to two functions");
      Promise(w.length == 4 && w.offset >= 0x10 && (w.offset - 0x10) % 4 == 0 &&
                  (w.offset - 0x10) / 4 < registers,
              "configuration written outside the base address registers");
      Promise(!upper[(w.offset - 0x10) / 4], "the upper half of a 64-bit register was written");
    }
  }

  void CheckViews(std::uint32_t code, std::uint64_t owner, const kstatus::Reply& reply,
                  const std::uint8_t* input, const std::vector<std::uint8_t>& out,
                  const std::map<std::uint64_t, sim::SimMachineAccess::View>& before) {
    std::vector<std::uint64_t> added, removed;
    for (const auto& [base, v] : access_.views) {
      if (!before.count(base)) added.push_back(base);
    }
    for (const auto& [base, v] : before) {
      if (!access_.views.count(base)) removed.push_back(base);
    }
    if (code == kMap && reply.status >= 0) {
      Promise(added.size() == 1 && removed.empty(), "a map request made other than one view");
      const auto& v = access_.views.at(added[0]);
      Promise(v.physical == le::Load32(input + 4) && v.length == le::Load32(input + 12) &&
                  v.process == access_.process,
              "a view of another range or in another process than asked");
      Promise(le::Load32(out.data() + 8) == v.linear, "the reply names another address than the view's");
      views_[added[0]] = View{owner, access_.process, le::Load32(out.data()), v.linear};
      return;
    }
    Promise(added.empty(), "a view appeared without a map request");
    if (code != kUnmap || reply.status < 0 || le::Load32(input) == 0) {
      Promise(removed.empty(), "a view went without its unmap request");
      return;
    }
    Promise(removed.size() == 1, "an unmap request removed other than one view");
    auto it = views_.find(removed[0]);
    Promise(it != views_.end() && it->second.owner == owner && it->second.process == access_.process &&
                it->second.handle == le::Load32(input) && it->second.linear == le::Load32(input + 8),
            "an unmap removed a view it did not name");
    views_.erase(it);
  }

  void CheckBuffer(std::uint32_t code, std::uint64_t owner, const kstatus::Reply& reply,
                   const std::vector<std::uint8_t>& out, std::uint64_t before) {
    const std::uint64_t now = access_.commonBuffer();
    if (code != kDma) {
      Promise(now == before, "the common buffer changed without its request");
      return;
    }
    if (before != 0 && !(bufferOwnerOpen_ && bufferOwner_ == owner)) {
      Promise(now == before, "a handle freed or replaced another handle's buffer");
      Promise(reply.status < 0, "a handle was given another handle's buffer");
    }
    if (reply.status < 0) return;
    const std::uint64_t named = le::Load64(out.data());
    Promise(named == now, "the reply names a buffer that is not the live one");
    Promise(le::Load32(out.data() + 12) == 0, "a kernel address was handed to user mode");
    if (now != 0 && now != before) {
      bufferOwner_ = owner;
      bufferOwnerOpen_ = true;
    }
  }

  void PortRequest(fuzz::Input& in) {
    const std::uint32_t code = kPortCodes[in.Byte() % 4];
    std::uint32_t inLength = 0, outLength = 0;
    std::vector<std::uint8_t> buffer = SystemBuffer(in, inLength, outLength);
    const std::vector<std::uint8_t> input(buffer.begin(), buffer.begin() + inLength);
    ports_.log.clear();
    const kstatus::Reply reply = portDevice_->Handle(code, buffer.empty() ? nullptr : buffer.data(), inLength, outLength);
    Record(code, reply, outLength, buffer);
    const bool readOrWrite = (code == kPortRead && inLength >= 8 && outLength >= 4) ||
                             (code == kPortWrite && inLength >= 12);
    if (!readOrWrite) {
      Promise(ports_.log.empty(), "a port request touched a port it did not name");
      return;
    }
    const std::uint32_t port = le::Load32(input.data()), width = le::Load32(input.data() + 4);
    const bool allowed = port <= 0xFFFF && (width == 1 || width == 2 || width == 4) &&
                         (port + width - 1 < 0xCF8 || port > 0xCFF);
    if (!allowed) {
      Promise(ports_.log.empty(), "a refused port was touched");
      return;
    }
    Promise(ports_.log.size() == 1 && ports_.log[0].port == port && ports_.log[0].width == width &&
                ports_.log[0].write == (code == kPortWrite),
            "not exactly one port access at the port and width asked");
  }

  std::uint8_t tailFill_;
  sim::PciBus pci_;
  sim::PhysicalMemory memory_;
  sim::IoPorts ports_;
  sim::SimMachineAccess access_;
  sim::SimPortAccess portAccess_;
  std::optional<tessel::TesselDevice> device_;
  std::optional<portio::PortDevice> portDevice_;
  std::vector<Function> functions_;
  std::vector<std::uint64_t> handles_[2];  // each process's handles, by file object
  std::uint64_t identity_[2] = {};
  std::uint64_t nextIdentity_ = 0x10000;
  std::map<std::uint64_t, View> views_;  // by view base
  std::uint64_t bufferOwner_ = 0;
  bool bufferOwnerOpen_ = false;
  std::vector<std::uint8_t> transcript_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> transcripts[2];
  const std::uint8_t fills[2] = {0x00, 0xFF};
  for (int run = 0; run < 2; ++run) {
    fuzz::Input in(data, size);
    auto world = std::make_unique<World>(fills[run]);
    world->Run(in);
    transcripts[run] = world->transcript();
  }
  Promise(transcripts[0] == transcripts[1],
          "an answer depended on system-buffer bytes beyond the input");
  return 0;
}
