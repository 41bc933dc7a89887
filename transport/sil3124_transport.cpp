#include "transport/sil3124_transport.hpp"

#include "transport/physical_copy.hpp"
#include "transport/port_request_block.hpp"

namespace qz {
namespace {

// [start, start + size) lies within [base, base + length).
bool Inside(std::uint64_t start, std::uint64_t size, std::uint64_t base, std::uint64_t length) {
  return start >= base && start + size <= base + length;
}

}  // namespace

std::uint32_t Sil3124Transport::Peek(std::uint32_t offset) {
  return loader_->library().maPeekD(port_ + offset);
}

void Sil3124Transport::Poke(std::uint32_t offset, std::uint32_t value) {
  loader_->library().maPokeD(port_ + offset, value);
}

bool Sil3124Transport::RequestBlockPlaceIsSafe(std::uint32_t a, std::uint32_t buffer,
                                               std::uint32_t bufferSize,
                                               std::uint32_t length) const {
  // The port reads the block by DMA: it must be aligned, and it must not land on RAM that
  // belongs to someone else, on the port's own registers (request words written over the
  // interrupt, error, slot status or activation registers would drive the port), on another
  // port's or the card's global registers, or on the data it describes.
  if (a == 0 || (a & 7) != 0) return false;
  if (Inside(a, prb::kSize, port_, sil_port::kSlotMemorySize)) {
    const std::uint64_t reg = static_cast<std::uint64_t>(port_) + sil_port::kRequestBlockAddress;
    return a + prb::kSize <= reg || a >= reg + 4;
  }
  const std::uint64_t dataEnd = static_cast<std::uint64_t>(buffer) + ((length + 7u) & ~7u);
  return Inside(a, prb::kSize, buffer, bufferSize) && a >= dataEnd;
}

std::uint8_t Sil3124Transport::Release(std::uint8_t result) {
  loader_->library().maFreeSystemBuffer();
  return result;
}

bool Sil3124Transport::WaitForSlot0() {
  while (Peek(sil_port::kSlotStatus) & sil_port::kSlot0Busy) {
    if (timer_.ElapsedSeconds() > static_cast<long double>(timeout_)) return false;
    system_.Sleep(1);
  }
  return true;
}

std::uint8_t Sil3124Transport::Outcome(std::uint32_t interrupts, std::uint32_t systemBuffer,
                                       Bytes buffer, std::uint32_t direction,
                                       std::uint32_t length) {
  if (Peek(sil_port::kCommandError) != 0) {
    return (interrupts & sil_port::kCommandErrorBit) ? command_result::kDriveError
                                                     : command_result::kFailure;
  }
  if (direction == data_direction::kIn &&
      !CopyFromPhysical(*loader_, systemBuffer, Bytes(buffer.data(), length))) {
    return command_result::kFailure;
  }
  return command_result::kSuccess;
}

std::uint8_t Sil3124Transport::Execute(const PortRequestBlock& block, std::uint32_t a,
                                       std::uint32_t b, Bytes buffer, std::uint32_t direction,
                                       std::uint32_t length) {
  // The clear register is write-one-to-clear: the enabled bits themselves switch them off.
  const std::uint32_t savedMask = Peek(sil_port::kInterruptEnable);
  Poke(sil_port::kInterruptEnableClear, savedMask);

  if (!CopyToPhysical(*loader_, a, ConstBytes(block.data(), block.size()))) {
    Poke(sil_port::kInterruptEnable, savedMask);
    return Release(command_result::kFailure);
  }

  timer_.StartLap(true);
  Poke(sil_port::kActivateLow, a);
  Poke(sil_port::kActivateHigh, 0);
  const bool completed = WaitForSlot0();
  // Sampled before the completion is acknowledged, so that the acknowledgement cannot take
  // the error indication with it.
  const std::uint32_t interrupts = completed ? Peek(sil_port::kInterruptStatus) : 0;
  Poke(sil_port::kInterruptStatus, sil_port::kCommandComplete);

  if (!completed) {
    // Slot 0 may still be active and the port may yet write into the system buffer: it is not
    // freed, the port is not used again, and the driver is not stopped at release.
    loader_->StrandedCommand = 1;
    Poke(sil_port::kInterruptEnable, savedMask);
    timer_.StopLap();
    return command_result::kTimeout;
  }

  const std::uint8_t result = Outcome(interrupts, b, buffer, direction, length);
  Poke(sil_port::kInterruptEnable, savedMask);
  timer_.StopLap();
  return Release(result);
}

std::uint8_t Sil3124Transport::Send(const TaskFile& t, Bytes buffer, const TaskFile* previous,
                                    std::uint32_t direction, std::uint32_t length) {
  if (!loader_ || !loader_->Loaded) return command_result::kNotSupported;
  // An earlier command that timed out may still run on its port and still own the one system
  // buffer that every port's command goes through: nothing may free or reuse it this run.
  if (loader_->StrandedCommand) return command_result::kFailure;
  // Every length goes into the scatter-gather entry, so every length is bounded by the system
  // buffer and the caller's buffer; data moves as whole words. Refused before the controller
  // is touched.
  if (length > buffer.size() || length > sil_port::kSystemBufferSize ||
      (direction != data_direction::kNone && length % 4 != 0)) {
    return command_result::kFailure;
  }
  PhysicalAccessApi& library = loader_->library();

  std::uint32_t b = 0;
  const std::uint32_t bufferSize = library.maAllocSystemBuffer(sil_port::kSystemBufferSize, &b);
  if (bufferSize < sil_port::kSystemBufferSize || b == 0) return Release(command_result::kFailure);

  const std::uint32_t a = Peek(sil_port::kRequestBlockAddress);
  if (!RequestBlockPlaceIsSafe(a, b, bufferSize, length)) return Release(command_result::kFailure);

  // Slot 0 busy before we start: a command that is not ours (or one stranded by an earlier
  // run) may be moving data through this very buffer, so it is neither reused nor freed.
  if (Peek(sil_port::kSlotStatus) & sil_port::kSlot0Busy) {
    loader_->StrandedCommand = 1;
    return command_result::kFailure;
  }

  if (direction == data_direction::kOut &&
      !CopyToPhysical(*loader_, b, ConstBytes(buffer.data(), length))) {
    return Release(command_result::kFailure);
  }
  return Execute(BuildPortRequestBlock(t, previous, direction, b, length), a, b, buffer,
                 direction, length);
}

}  // namespace qz
