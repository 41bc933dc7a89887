#include "transport/high_res_timer.hpp"

namespace qz {

HighResTimer::HighResTimer(SystemApi& sys) : sys_(sys) {
  if (!sys_.QueryPerformanceFrequency(Frequency) || Frequency <= 0) {
    NoCounter = 1;
    Frequency = 1000;
    lastTick_ = sys_.GetTickCount();
  }
  // The lap brackets one start-and-stop of the total stopwatch: that is the overhead.
  LapStart = Now();
  StartTotal(true);
  StopTotal();
  StopLap();
  Overhead = LapTicks;
  LapStart = 0;
  LapStop = 0;
  LapTicks = 0;
}

HighResTimer::~HighResTimer() {
  if (LapStart != 0) StopLap();
}

std::int64_t HighResTimer::Now() {
  if (NoCounter) {
    // Widen the 32-bit tick count across its 49.7-day wrap.
    std::uint32_t tick = sys_.GetTickCount();
    tickBase_ += static_cast<std::uint32_t>(tick - lastTick_);
    lastTick_ = tick;
    // Keep "now" non-zero: a zero start count means "not running".
    return tickBase_ + 1;
  }
  std::int64_t count = 0;
  sys_.QueryPerformanceCounter(count);
  return count;
}

void HighResTimer::StartTotal(bool reset) {
  if (reset) {
    if (TotalStart != 0) StopTotal();
    TotalTicks = 0;
  }
  TotalStart = Now();
}

void HighResTimer::StopTotal() {
  TotalStop = Now();
  TotalTicks += TotalStop - TotalStart;
  TotalStart = 0;
}

void HighResTimer::StartLap(bool reset) {
  if (reset) {
    if (LapStart != 0) StopLap();
    LapTicks = 0;
  }
  LapStart = Now();
}

void HighResTimer::StopLap() {
  LapStop = Now();
  LapTicks += LapStop - LapStart - Overhead;
  LapStart = 0;
}

long double HighResTimer::ElapsedSeconds() {
  if (LapStart == 0) return 0.0L;
  const std::int64_t ticks = Now() - Overhead - LapStart;
  return static_cast<long double>(ticks) / static_cast<long double>(Frequency);
}

}  // namespace qz
