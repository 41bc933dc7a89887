#pragma once
// The simulated machine's time. Nothing here reads the host's clock: time moves only when
// the simulated programs read the counter or sleep, so a test that waits minutes takes none.
#include <cstdint>

namespace qz::sim {

class VirtualClock {
 public:
  static constexpr std::int64_t kFrequency = 3579545;  // the ACPI power-management timer
  // Reading the counter costs a little time, as on hardware; calibration then measures it.
  static constexpr std::int64_t kReadCost = 4;
  // 100 ns units of 2012-07-25 00:00 UTC since 1601, the simulated boot time.
  static constexpr std::int64_t kBootTime = 129877920000000000;

  bool hasCounter = true;

  std::int64_t ReadCounter() {
    ticks_ += kReadCost;
    return ticks_;
  }
  std::int64_t Ticks() const { return ticks_; }
  void AdvanceTicks(std::int64_t ticks) { ticks_ += ticks; }
  void AdvanceMilliseconds(std::uint64_t ms) {
    ticks_ += static_cast<std::int64_t>(ms) * kFrequency / 1000;
  }
  // GetTickCount: milliseconds since boot, wrapping at 2^32 as the system's does.
  std::uint32_t TickCount() const {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks_ * 1000 / kFrequency));
  }
  // Uptime and wall time in 100 ns units.
  std::int64_t Uptime100ns() const { return ticks_ * 10000000 / kFrequency; }
  std::int64_t SystemTime100ns() const { return kBootTime + Uptime100ns(); }
  // The simulated processor is idle half of the time.
  std::int64_t IdleTime100ns() const { return Uptime100ns() / 2; }
  void SetTicks(std::int64_t ticks) { ticks_ = ticks; }

 private:
  std::int64_t ticks_ = kFrequency;  // one second after boot
};

}  // namespace qz::sim
