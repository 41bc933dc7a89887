#include <gtest/gtest.h>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "transport/high_res_timer.hpp"

namespace qz {
namespace {

using sim::Bitness;
using sim::Machine;
using sim::SimWin32;
using sim::VirtualClock;

class HighResTimerTest : public ::testing::Test {
 protected:
  Machine machine;
  SimWin32 api{machine, Bitness::X86};
};

TEST_F(HighResTimerTest, CalibrationMeasuresOneStartAndStop) {
  HighResTimer timer(api);
  EXPECT_EQ(timer.NoCounter, 0);
  EXPECT_EQ(timer.Frequency, VirtualClock::kFrequency);
  // The lap spans the total stopwatch's start and stop: three counter reads after its own.
  EXPECT_EQ(timer.Overhead, 3 * VirtualClock::kReadCost);
  EXPECT_EQ(timer.LapStart, 0);
  EXPECT_EQ(timer.LapStop, 0);
  EXPECT_EQ(timer.LapTicks, 0);
}

TEST_F(HighResTimerTest, ElapsedFollowsVirtualTime) {
  HighResTimer timer(api);
  EXPECT_EQ(timer.ElapsedSeconds(), 0.0L);  // no lap running
  timer.StartLap(true);
  api.Sleep(20000);
  EXPECT_NEAR(static_cast<double>(timer.ElapsedSeconds()), 20.0, 1e-5);
}

TEST_F(HighResTimerTest, NewLapExcludesEarlierLaps) {
  HighResTimer timer(api);
  timer.StartLap(true);
  api.Sleep(5000);
  timer.StopLap();
  EXPECT_NEAR(static_cast<double>(timer.LapTicks) / VirtualClock::kFrequency, 5.0, 1e-5);
  EXPECT_EQ(timer.LapStart, 0);

  timer.StartLap(true);
  EXPECT_EQ(timer.LapTicks, 0);
  // Close to 0 (the overhead is subtracted, so it may dip a few ticks below), never 5 s.
  EXPECT_NEAR(static_cast<double>(timer.ElapsedSeconds()), 0.0, 1e-5);
}

TEST_F(HighResTimerTest, LapsAccumulateWithoutReset) {
  HighResTimer timer(api);
  timer.StartLap(true);
  api.Sleep(1000);
  timer.StopLap();
  timer.StartLap(false);
  api.Sleep(2000);
  timer.StopLap();
  EXPECT_NEAR(static_cast<double>(timer.LapTicks) / VirtualClock::kFrequency, 3.0, 1e-5);
}

TEST_F(HighResTimerTest, WithoutACounterTheTickCountStillAdvances) {
  machine.clock.hasCounter = false;
  HighResTimer timer(api);
  EXPECT_EQ(timer.NoCounter, 1);
  timer.StartLap(true);
  api.Sleep(1500);
  EXPECT_NEAR(static_cast<double>(timer.ElapsedSeconds()), 1.5, 0.002);
}

TEST_F(HighResTimerTest, TickFallbackSurvivesTheTickCountWrap) {
  machine.clock.hasCounter = false;
  // 100 ms before GetTickCount wraps at 2^32 milliseconds.
  machine.clock.SetTicks(static_cast<std::int64_t>((1ull << 32) - 100) * VirtualClock::kFrequency / 1000);
  HighResTimer timer(api);
  timer.StartLap(true);
  api.Sleep(300);
  EXPECT_NEAR(static_cast<double>(timer.ElapsedSeconds()), 0.3, 0.002);
}

}  // namespace
}  // namespace qz
