#pragma once
// A simulated SATA drive at the ATA command level: IDENTIFY DEVICE, DOWNLOAD MICROCODE with
// offsets and its activation, the EEPROM pages behind READ/WRITE BUFFER with the vendor
// signatures, and the vendor-unique query pair. Transports (the pass-through decoders) hand it
// decoded registers and data; faults are injected by name.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qz::sim {

struct AtaRegisters {
  std::uint8_t features = 0, sectorCount = 0, lbaLow = 0, lbaMid = 0, lbaHigh = 0, device = 0,
               command = 0;
};

enum class AtaDirection { None, In, Out };

// How one command ended, as the port driver would see it.
struct AtaCompletion {
  enum class Kind { Done, IoError, Timeout, NoDevice };
  Kind kind = Kind::Done;
  // Output registers: features holds the error register, command the status register.
  AtaRegisters out;
};

// Faults a test injects. Each applies to the n-th command (counting from 1) that matches its
// command byte and, when given, its features byte; a fault fires once.
enum class AtaFault {
  IoError,      // the request fails in the port driver (a negative NT status)
  Timeout,      // the drive does not answer within the command's time-out
  ErrorStatus,  // the command completes with status 0x51, error 0x04 (aborted)
  LostReply,    // the drive carries the command out, but its reply never arrives (time-out)
};

class AtaDrive {
 public:
  static constexpr std::uint32_t kEepromPages = 286;
  static constexpr std::uint32_t kEepromSize = kEepromPages * 512;

  struct Identity {
    std::string model;      // up to 40 characters
    std::string serial;     // up to 20
    std::string revision;   // up to 8
    std::string extension;  // up to 8, what the vendor-unique query reports
  };

  struct LoggedCommand {
    AtaRegisters in;
    AtaDirection direction = AtaDirection::None;
    std::uint32_t length = 0;
    std::uint32_t timeoutSeconds = 0;
    std::vector<std::uint8_t> data;  // data-out bytes
  };

  struct Activation {
    bool accepted = false;
    bool bootCode = false;
    std::string revision, extension;  // taken on when accepted
    std::vector<std::uint8_t> image;  // the bytes it had received, as the trigger found them
  };

  explicit AtaDrive(Identity identity);

  // Runs one command. `data` holds the data-out bytes on entry and receives the data-in
  // bytes; `length` is the transfer length the request declared.
  AtaCompletion Execute(const AtaRegisters& in, AtaDirection direction, std::uint32_t length,
                        std::vector<std::uint8_t>& data, std::uint32_t timeoutSeconds);

  const Identity& identity() const { return identity_; }
  const std::string& Revision() const { return identity_.revision; }
  const std::string& Extension() const { return identity_.extension; }
  bool HasPendingFirmware() const { return pending_.has_value(); }
  bool Powered() const { return powered_; }
  // A power cycle: firmware accepted by an activation takes over, staged blocks are lost.
  void PowerCycle();

  std::vector<std::uint8_t>& Eeprom() { return eeprom_; }
  const std::vector<LoggedCommand>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  const std::vector<Activation>& Activations() const { return activations_; }
  // Commands with this command byte (and features byte, when given) in the log.
  std::size_t CountCommands(std::uint8_t command, int features = -1) const;

  void InjectFault(AtaFault fault, std::uint8_t command, int features, unsigned occurrence);
  // Power fails right after the drive accepts the k-th DOWNLOAD MICROCODE block (from 1):
  // it answers nothing more until its next power cycle and keeps its old firmware.
  void LosePowerAfterBlock(unsigned k) { powerLossAfterBlock_ = k; }
  // Runs at that moment, while the flasher is still between two blocks (a test looks at what
  // the disk held when the power went).
  std::function<void()> onPowerLoss;
  // Every command times out.
  bool staysBusy = false;
  // Some drives switch to new firmware at activation instead of at the next power cycle.
  bool activatesImmediately = false;
  // A drive that checks nothing: it activates whatever it has received (no magic, length,
  // checksum, model or first-block check), so only the flasher stands between it and a
  // broken image. Revision and extension come from where the image would hold them.
  bool validatesImages = true;

 private:
  struct PendingFault {
    AtaFault fault;
    std::uint8_t command;
    int features;
    unsigned occurrence;
    unsigned seen = 0;
    bool fired = false;
  };
  AtaCompletion Run(const AtaRegisters& in, AtaDirection direction, std::uint32_t length,
                    std::vector<std::uint8_t>& data);
  AtaCompletion Identify(const AtaRegisters& in, std::vector<std::uint8_t>& data);
  AtaCompletion Download(const AtaRegisters& in, const std::vector<std::uint8_t>& data);
  AtaCompletion Activate(const AtaRegisters& in, const std::vector<std::uint8_t>& data);
  AtaCompletion ReadBuffer(const AtaRegisters& in, std::vector<std::uint8_t>& data);
  AtaCompletion WriteBuffer(const AtaRegisters& in, const std::vector<std::uint8_t>& data);
  AtaCompletion VendorUnique(const AtaRegisters& in, AtaDirection direction,
                             std::vector<std::uint8_t>& data);
  std::optional<AtaFault> FaultFor(const AtaRegisters& in);
  std::string CheckImage(const std::vector<std::uint8_t>& image) const;

  Identity identity_;
  bool powered_ = true;
  std::vector<std::uint8_t> staged_;        // download buffer
  std::vector<bool> stagedBlocks_;
  std::uint32_t blocksAccepted_ = 0;
  std::optional<Identity> pending_;
  std::vector<std::uint8_t> eeprom_;
  std::optional<std::uint32_t> eepromReadArmed_;  // readable once READ TRIGGER was sent
  bool eepromReadTriggered_ = false;
  std::optional<std::uint32_t> eepromWritePage_;  // staged by WRITE EEPROM
  std::vector<std::uint8_t> eepromWriteData_;
  std::vector<std::uint8_t> vuParameters_;
  std::vector<LoggedCommand> log_;
  std::vector<Activation> activations_;
  std::vector<PendingFault> faults_;
  std::optional<unsigned> powerLossAfterBlock_;
};

// The page an EEPROM (selector, index) pair addresses, decoded by the drive's own table.
std::optional<std::uint32_t> EepromPageOf(std::uint8_t selector, std::uint8_t index);

// IDENTIFY strings: blank-padded to the field and byte-swapped per word.
void PutAtaString(std::vector<std::uint8_t>& identify, std::size_t word, std::size_t words,
                  const std::string& text);

}  // namespace qz::sim
