#pragma once
// A stopwatch on the performance counter whose own start-stop cost is measured once and
// subtracted from every measurement.
#include <cstdint>

#include "platform/system_api.hpp"

namespace qz {

class HighResTimer {
 public:
  explicit HighResTimer(SystemApi& sys);
  ~HighResTimer();
  HighResTimer(const HighResTimer&) = delete;
  HighResTimer& operator=(const HighResTimer&) = delete;

  void StartLap(bool reset);
  void StopLap();
  // Seconds of the running lap (earlier laps not included); 0 when no lap runs.
  long double ElapsedSeconds();

  std::int64_t TotalStart = 0;
  std::int64_t TotalStop = 0;
  std::int64_t TotalTicks = 0;
  std::int64_t Frequency = 0;
  std::int64_t LapStart = 0;
  std::int64_t LapStop = 0;
  std::int64_t LapTicks = 0;
  std::int64_t Overhead = 0;
  // Without a performance counter the timer runs on the millisecond tick count instead, so
  // that elapsed time still advances and polling loops bounded by it still end.
  std::uint8_t NoCounter = 0;

 private:
  std::int64_t Now();
  void StartTotal(bool reset);
  void StopTotal();

  SystemApi& sys_;
  std::uint32_t lastTick_ = 0;
  std::int64_t tickBase_ = 0;
};

}  // namespace qz
