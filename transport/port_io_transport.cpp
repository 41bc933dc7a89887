#include "transport/port_io_transport.hpp"

#include <algorithm>

#include "platform/little_endian.hpp"

namespace qz {

std::uint8_t PortIoTransport::In(std::uint16_t offset) {
  return loader_->library().Inport(static_cast<std::uint16_t>(base_ + offset));
}

void PortIoTransport::Out(std::uint16_t offset, std::uint8_t value) {
  loader_->library().Outport(static_cast<std::uint16_t>(base_ + offset), value);
}

bool PortIoTransport::DataRequested(std::uint8_t status) {
  return (status & (ata_status::kBsy | ata_status::kDrq)) == ata_status::kDrq;
}

bool PortIoTransport::TimedOut() {
  return timer_.ElapsedSeconds() > static_cast<long double>(timeout_);
}

bool PortIoTransport::WaitWhileBusy(std::uint8_t& status) {
  while (status & ata_status::kBsy) {
    if (TimedOut()) return false;
    Select();
    status = Status();
  }
  return true;
}

bool PortIoTransport::WaitNotBusy() {
  std::uint8_t status = Status();
  return WaitWhileBusy(status);
}

bool PortIoTransport::WaitIdleBeforeSelect() {
  std::uint8_t status = Status();
  while (status & ata_status::kBsy) {
    if (TimedOut()) return false;
    status = Status();
  }
  return true;
}

void PortIoTransport::ReadBack(TaskFile& output) {
  output = TaskFile{};
  if (!loader_ || !loader_->Loaded) return;
  Select();
  std::uint8_t bytes[TaskFile::kSize] = {};
  for (std::uint16_t offset = task_port::kFeatures; offset <= task_port::kCommand; ++offset) {
    bytes[offset - 1] = In(offset);
  }
  output = TaskFile::FromBytes(bytes);
}

std::uint8_t PortIoTransport::Finish(std::uint8_t result, TaskFile& output) {
  timer_.StopLap();
  ReadBack(output);
  return result;
}

void PortIoTransport::WriteCommand(const TaskFile& t, const TaskFile* previous) {
  const std::uint8_t current[] = {t.Features, t.SectorCount, t.LbaLow, t.LbaMid, t.LbaHigh};
  for (std::uint16_t i = 0; i < 5; ++i) {
    const auto offset = static_cast<std::uint16_t>(task_port::kFeatures + i);
    if (previous) {
      // A 48-bit command: each register takes its high-order byte first.
      const std::uint8_t high[] = {previous->Features, previous->SectorCount, previous->LbaLow,
                                   previous->LbaMid, previous->LbaHigh};
      Out(offset, high[i]);
    }
    Out(offset, current[i]);
  }
  // The device register always carries the drive select, never the caller's device byte.
  Select();
  Out(task_port::kCommand, t.Command);
}

bool PortIoTransport::MoveWords(Bytes buffer, std::uint32_t direction, std::size_t words,
                                std::size_t& moved) {
  const auto data = static_cast<std::uint16_t>(base_ + task_port::kData);
  PortIoApi& io = loader_->library();
  moved = 0;
  while (moved < words) {
    if (!DataRequested(Status())) break;
    std::uint8_t* at = buffer.data() + 2 * moved;
    if (direction == data_direction::kIn) {
      le::Store16(at, io.InportW(data));
    } else {
      io.OutportW(data, le::Load16(at));
    }
    ++moved;
    if (TimedOut()) return false;
    Select();
  }
  return true;
}

std::uint8_t PortIoTransport::TransferData(Bytes buffer, std::uint32_t direction,
                                           std::uint32_t length, std::uint8_t status) {
  // While BSY is set the other status bits mean nothing: DRQ counts only without it.
  while (!DataRequested(status)) {
    if (TimedOut()) return command_result::kTimeout;
    Select();
    status = Status();
  }
  Select();
  // Never past the caller's buffer, whatever length it claims.
  const std::size_t words = std::min<std::size_t>(length / 2, buffer.size() / 2);
  std::size_t moved = 0;
  if (!MoveWords(buffer, direction, words, moved)) return command_result::kTimeout;
  // The drive ends the command after the data (a write after its last word): its final
  // status, once BSY clears, is the verdict.
  status = Status();
  if (!WaitWhileBusy(status)) return command_result::kTimeout;
  // A drive that still wants to move data, or stopped before the caller's length, has a
  // different idea of the transfer than the caller: the command did not do what was asked,
  // and part of the buffer would hold stale bytes. ERR at the end is the drive's error.
  if (moved < words || (status & (ata_status::kDrq | ata_status::kErr))) {
    return command_result::kDriveError;
  }
  return command_result::kSuccess;
}

std::uint8_t PortIoTransport::Send(const TaskFile& t, Bytes buffer, const TaskFile* previous,
                                   std::uint32_t direction, std::uint32_t length,
                                   TaskFile& output) {
  if (!loader_ || !loader_->Loaded) return command_result::kNotSupported;
  timer_.StartLap(true);

  // The channel must be idle before anything is written to it; giving up here leaves the
  // registers untouched, so there is nothing to read back.
  if (!WaitIdleBeforeSelect()) {
    timer_.StopLap();
    return command_result::kTimeout;
  }
  Select();
  if (!WaitNotBusy()) return Finish(command_result::kTimeout, output);
  Select();
  WriteCommand(t, previous);

  Select();
  if (!WaitNotBusy()) return Finish(command_result::kTimeout, output);
  std::uint8_t status = Status();
  // Busy again: ERR in this reading means nothing, so the verdict waits for one without BSY.
  if (!WaitWhileBusy(status)) return Finish(command_result::kTimeout, output);
  if (status & ata_status::kErr) return Finish(command_result::kDriveError, output);
  if (direction == data_direction::kNone) return Finish(command_result::kSuccess, output);
  return Finish(TransferData(buffer, direction, length, status), output);
}

}  // namespace qz
