#pragma once
// The port-I/O transport: a task-file command driven through the legacy command-block
// registers of the selected channel, one port access at a time through the port-I/O library.
// Polled and bounded by the command timeout on the device's command timer.
#include <cstddef>
#include <cstdint>

#include "platform/types.hpp"
#include "transport/high_res_timer.hpp"
#include "transport/ntport_loader.hpp"
#include "transport/task_file.hpp"

namespace qz {

// Offsets of the command-block registers from the channel's base port.
namespace task_port {
inline constexpr std::uint16_t kData = 0;
inline constexpr std::uint16_t kFeatures = 1;  // error on read
inline constexpr std::uint16_t kSectorCount = 2;
inline constexpr std::uint16_t kLbaLow = 3;
inline constexpr std::uint16_t kLbaMid = 4;
inline constexpr std::uint16_t kLbaHigh = 5;
inline constexpr std::uint16_t kDevice = 6;
inline constexpr std::uint16_t kCommand = 7;  // status on read
}  // namespace task_port

class PortIoTransport {
 public:
  PortIoTransport(NtPortLoader* loader, HighResTimer& timer, float timeoutSeconds,
                  std::uint16_t ioBase, std::uint8_t driveSelect)
      : loader_(loader), timer_(timer), timeout_(timeoutSeconds), base_(ioBase),
        select_(driveSelect) {}

  // `output` receives the registers read back after any command that got past the first
  // wait (zero otherwise). The length is not changed.
  std::uint8_t Send(const TaskFile& taskFile, Bytes buffer, const TaskFile* previous,
                    std::uint32_t direction, std::uint32_t length, TaskFile& output);

 private:
  std::uint8_t Status() { return In(task_port::kCommand); }
  std::uint8_t In(std::uint16_t offset);
  void Out(std::uint16_t offset, std::uint8_t value);
  void Select() { Out(task_port::kDevice, select_); }
  static bool DataRequested(std::uint8_t status);
  bool TimedOut();
  // Reads Status again, selecting the drive first, while `status` has BSY set.
  bool WaitWhileBusy(std::uint8_t& status);
  // Reads Status until BSY clears, selecting the drive again after every busy reading.
  bool WaitNotBusy();
  // The first wait: the channel is only read until it is idle.
  bool WaitIdleBeforeSelect();
  // The five parameter registers (high bytes first for a 48-bit command), then the command.
  void WriteCommand(const TaskFile& t, const TaskFile* previous);
  // The data phase once the command is accepted; the command's result.
  std::uint8_t TransferData(Bytes buffer, std::uint32_t direction, std::uint32_t length,
                            std::uint8_t status);
  // False when the command time ran out; `moved` counts the words moved either way.
  bool MoveWords(Bytes buffer, std::uint32_t direction, std::size_t words, std::size_t& moved);
  void ReadBack(TaskFile& output);
  std::uint8_t Finish(std::uint8_t result, TaskFile& output);

  NtPortLoader* loader_;
  HighResTimer& timer_;
  float timeout_;
  std::uint16_t base_;
  std::uint8_t select_;
};

}  // namespace qz
