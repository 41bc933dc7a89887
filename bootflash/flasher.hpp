#pragma once
// The boot-time flasher's run, from the Session Manager's start to the restart: restore
// BootExecute, open and identify the physical drives on an ATA, SATA, RAID or SCSI bus,
// recover FW.bin, download it to every drive of a target model (only the staged drive's
// revision, when the updater recorded it), mark the file and bootstat.dat, restart;
// Ombrel.log beside FW.bin keeps the transcript.
// Bound to its platform at compile time through `Nt` (platform/native_api.hpp).
#include <stddef.h>
#include <stdint.h>

#include "bootflash/arguments.hpp"
#include "bootflash/ata_request.hpp"
#include "bootflash/boot_execute.hpp"
#include "bootflash/console.hpp"
#include "bootflash/drive_protocol.hpp"
#include "bootflash/firmware_file.hpp"
#include "bootflash/flasher_config.hpp"
#include "bootflash/flasher_state.hpp"
#include "bootflash/model_exceptions.hpp"
#include "bootflash/native_text.hpp"
#include "bootflash/storage_bus.hpp"
#include "bootflash/transcript.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

// A UNICODE_STRING's characters (not necessarily NUL-terminated).
struct NativeText {
  const char16_t* text;
  size_t length;  // in characters
};

template <class Nt>
class Flasher {
 public:
  Flasher(Nt& nt, FlasherState& state, const uint8_t* config, const FlasherConfigLayout& layout,
          const AtaHeaderLayout& header)
      : nt_(nt), state_(state), config_(config), layout_(layout), console_(nt, state.transcript),
        protocol_(nt, state, header) {}

  // The whole run; ends with NtTerminateProcess (which returns only in a simulation).
  void Run(NativeText imagePath, NativeText commandLine) {
    RestoreBootExecute(nt_, state_, imagePath.text, imagePath.length);
    BeginLog();
    console_.Show(u"============================================================\n");
    console_.Show(u"                   UPDATE FW for SSD \n");
    console_.Show(u"============================================================\n\n");
    if (Prepare(imagePath, commandLine) && OpenDrives() != 0 && LoadFirmware()) {
      FlashTargets();
    }
    CleanUp();
  }

  uint32_t OpenDrives() {
    state_.driveCount = 0;
    for (uint32_t n = 0; n < kMaxDrives; ++n) {
      char16_t name[32];
      TextBuilder(name, 32).Add(u"\\??\\PhysicalDrive").Decimal(n);
      NativeHandle handle = 0;
      const NtStatus status = nt_.CreateFile(
          handle, nt_access::kGenericRead | nt_access::kGenericWrite | nt_access::kSynchronize,
          name, nt_object::kCaseInsensitive | nt_object::kKernelHandle,
          nt_file::kAttributeNormal, nt_file::kShareRead | nt_file::kShareWrite, nt_file::kOpen,
          nt_file::kSynchronousIoNonAlert);
      if (!NtSuccess(status)) continue;
      const uint32_t bus = protocol_.QueryBusType(handle);
      if (!IsFlashableBus(bus)) {
        // A USB disk may carry a listed drive's model; a disk whose bus cannot be told may be
        // one. Either is closed unasked.
        console_.Show(name + 4);
        console_.Show(u": NOT ON AN ATA, SATA, RAID OR SCSI BUS, SKIPPED !\n");
        nt_.Close(handle);
        continue;
      }
      const uint32_t slot = state_.driveCount++;
      FlashTarget& drive = state_.drives[slot];
      drive.handle = handle;
      drive.number = static_cast<uint8_t>(n);
      drive.outcome = kOutcomeOtherModel;
      drive.identifiedAgain = false;
      // A drive that does not identify keeps an all-zero identity, which no target matches.
      // IdentifyDrive fills them only from this drive's own reply.
      ZeroBytes(drive.model, kModelBytes);
      ZeroBytes(drive.revision, kRevisionBytes);
      protocol_.IdentifyDrive(slot, drive.model, drive.revision);
    }
    return state_.driveCount;
  }

  bool MarkBootStatus() {
    char16_t root[128];
    uint32_t rootBytes = 0;
    if (!NtSuccess(nt_.QueryEnvironmentVariable(u"SystemRoot", root, sizeof root, rootBytes))) {
      console_.Show(u"Fail to Query environment variable !\n");
      console_.Show(u"cannot retrieve the Windows directory path\n");
      return false;
    }
    char16_t path[128];
    TextBuilder b(path, 128);
    b.Add(u"\\??\\").Add(root, rootBytes / 2 < 128 ? rootBytes / 2 : 128).Add(u"\\bootstat.dat");
    NativeHandle file = 0;
    NtStatus status = b.Truncated() ? nt_status::kObjectNameInvalid
                                    : nt_.CreateFile(file,
                                                     nt_access::kGenericWrite |
                                                         nt_access::kSynchronize,
                                                     path,
                                                     nt_object::kCaseInsensitive |
                                                         nt_object::kKernelHandle,
                                                     nt_file::kAttributeNormal, 0, nt_file::kOpen,
                                                     nt_file::kSynchronousIoNonAlert);
    if (!NtSuccess(status)) {
      console_.ShowStatus(u"Fail to CREATE ! Error Code: ", status, u"\n");
      return false;
    }
    const uint8_t one = 0x01;
    uint32_t written = 0;
    status = nt_.WriteFile(file, &one, 1, 10, written);
    if (!NtSuccess(status) || written != 1) {
      console_.ShowStatus(u"Fail to write file, Error Code: ",
                          NtSuccess(status) ? nt_status::kDiskFull : status, u"");
      nt_.Close(file);
      return false;
    }
    nt_.Close(file);
    return true;
  }

  void RebootSystem() {
    if (!MarkBootStatus()) {
      console_.Show(u"FAIL to MARK !\n");
      DelaySeconds(3);
      return;
    }
    DelaySeconds(3);
    bool wasEnabled = false;
    if (!NtSuccess(nt_.AdjustPrivilege(kSeShutdownPrivilege, true, false, wasEnabled))) {
      console_.Show(u"cannot enable privilege\n");
    }
    WriteLog(true);
    if (!NtSuccess(nt_.ShutdownSystem(kShutdownReboot))) {
      console_.Show(u"Cannot reboot the computer\n");
    }
  }

  DriveProtocol<Nt>& protocol() { return protocol_; }

 private:
  void DelaySeconds(int64_t n) { nt_.DelayExecution(false, -(n * 10000000)); }

  void BeginLog() {
    int64_t now = 0;
    TimeFields fields;
    const bool known = NtSuccess(nt_.QuerySystemTime(now));
    if (known) nt_.TimeToTimeFields(now, fields);
    BeginTranscript(state_.transcript, known ? &fields : nullptr);
  }

  // Ombrel.log, whole, from what was shown so far; `final` adds the drive lines and "END".
  // Never called while blocks are being sent (the system disk may be the drive being
  // flashed), and a log that cannot be written changes nothing in the run. Written through
  // and flushed, so that neither its data nor the file system's record of it is left for the
  // lazy writer to put on disk while a download runs.
  void WriteLog(bool final) {
    Transcript& log = state_.transcript;
    if (!state_.logPath) return;
    const uint32_t shown = log.length;
    const bool full = log.full;
    if (final) {
      for (uint32_t s = 0; summarize_ && s < state_.driveCount; ++s) {
        const FlashTarget& drive = state_.drives[s];
        AddDriveSummary(log, DriveSummary{drive.number, drive.model, drive.revision,
                                          targetRevision_,
                                          drive.identifiedAgain ? drive.revisionAfter : nullptr,
                                          drive.outcome});
      }
      EndTranscript(log);
    }
    NativeHandle file = 0;
    if (NtSuccess(nt_.CreateFile(file, nt_access::kGenericWrite | nt_access::kSynchronize,
                                 state_.logPath,
                                 nt_object::kCaseInsensitive | nt_object::kKernelHandle,
                                 nt_file::kAttributeNormal, nt_file::kShareRead,
                                 nt_file::kOverwriteIf,
                                 nt_file::kSynchronousIoNonAlert | nt_file::kNonDirectoryFile |
                                     nt_file::kWriteThrough))) {
      uint32_t written = 0;
      nt_.WriteFile(file, log.text, log.length, 0, written);
      nt_.FlushBuffersFile(file);
      nt_.Close(file);
    }
    log.length = shown;  // the lines after the console texts are written, never kept
    log.full = full;
  }

  // Steps 3 to 6: heap, image buffer, arguments, firmware path. False ends the run.
  bool Prepare(NativeText imagePath, NativeText commandLine) {
    state_.heap = nt_.CreateHeap(nt_heap::kGrowable, 1048576, 4096);
    if (!state_.heap) {
      console_.Show(u"HEAP ALLOCATION ERROR !\n");
      return false;
    }
    state_.image = static_cast<uint8_t*>(
        nt_.AllocateHeap(state_.heap, nt_heap::kZeroMemory, kImageBufferSize + kImageBufferSlack));
    if (!state_.image) {
      console_.Show(u"MEMORY ALLOCATION ERROR !\n");
      return false;
    }
    state_.commandLine = static_cast<char16_t*>(nt_.AllocateHeap(
        state_.heap, nt_heap::kZeroMemory, commandLine.length * sizeof(char16_t) + 2));
    if (state_.commandLine) {
      CopyBytes(state_.commandLine, commandLine.text, commandLine.length * sizeof(char16_t));
    }
    if (!SplitArguments(nt_, state_.heap, state_.commandLine, &state_.arguments,
                        &state_.argumentCount)) {
      console_.Show(u"PARSING ARGS FAILED !\n");
    }
    return BuildFirmwarePath(imagePath);
  }

  // The image's directory (up to its last '\') and argument 1, with "\??\" in front when the
  // result does not begin with '\'. Without either part there is no file to read.
  bool BuildFirmwarePath(NativeText imagePath) {
    if (state_.argumentCount < 2) {
      console_.Show(u"NO FIRMWARE FILE NAME ON THE COMMAND LINE !\n");
      return false;
    }
    size_t directory = imagePath.length;
    while (directory > 0 && imagePath.text[directory - 1] != u'\\') --directory;
    if (directory == 0) {
      console_.Show(u"NO DIRECTORY IN THE PROGRAM PATH, FIRMWARE FILE NOT READ !\n");
      return false;
    }
    const char16_t* argument = state_.arguments[1];
    const size_t capacity = 4 + directory + TextLength(argument) + 1;
    // The log's path shares the block: at most the firmware path's directory and 10 more.
    const size_t logCapacity = capacity + 10;
    state_.firmwarePath = static_cast<char16_t*>(nt_.AllocateHeap(
        state_.heap, nt_heap::kZeroMemory, (capacity + logCapacity) * sizeof(char16_t)));
    if (!state_.firmwarePath) {
      console_.Show(u"MEMORY ALLOCATION ERROR !\n");
      return false;
    }
    TextBuilder path(state_.firmwarePath, capacity);
    if (imagePath.text[0] != u'\\') path.Add(u"\\??\\");
    path.Add(imagePath.text, directory).Add(argument);
    size_t fileName = path.Length();
    while (fileName > 0 && state_.firmwarePath[fileName - 1] != u'\\') --fileName;
    state_.logPath = state_.firmwarePath + capacity;
    TextBuilder(state_.logPath, logCapacity).Add(state_.firmwarePath, fileName).Add(u"Ombrel.log");
    return true;
  }

  bool LoadFirmware() {
    state_.markOffset = 0;
    const int32_t result = LoadFirmwareFile(nt_, state_, state_.firmwarePath);
    if (result == kFirmwareAlreadyDone) {
      console_.Show(u"Firmware update DONE !\n");
      return false;
    }
    if (result == kFirmwareNoMarker) {
      console_.Show(u"Can't find matched Firmware !\n");
      return false;
    }
    if (result < 0) {
      console_.Show(u"FAIL to LOAD FILE !\n");
      return false;
    }
    return true;
  }

  // Every drive of every target model, each looked at, then flashed or left alone; a restart
  // when one was flashed.
  void FlashTargets() {
    FlasherSettings settings;
    ReadFlasherConfig(config_, layout_, &settings);
    state_.bootCodeFlag = settings.updateBoot ? 1 : 0;
    targetRevision_ = settings.revision;
    summarize_ = true;
    bool found = false, flashed = false;
    for (uint32_t t = 0; t < settings.targetCount; ++t) {
      const uint8_t* target = settings.models[t];
      console_.Show(u"TARGET DEVICE: ");
      console_.ShowBytes(target, kModelBytes);
      for (uint32_t s = 0; s < state_.driveCount; ++s) {
        FlashTarget& drive = state_.drives[s];
        if (!EqualBytes(drive.model, target, kModelBytes)) continue;
        found = true;
        if (!ChooseToFlash(s, drive, settings)) continue;
        FlashDrive(s, drive, settings.revision);
        flashed = true;
      }
    }
    if (!found) console_.Show(u"CAN'T FIND A SUITABLE DEVICE !\n");
    if (flashed) MarkAndRestart();
  }

  // Shows the drive's revision and the target; false, with the drive's outcome set, when the
  // drive is to be left as it is.
  bool ChooseToFlash(uint32_t s, FlashTarget& drive, const FlasherSettings& settings) {
    const uint8_t* newRevision = settings.revision;
    console_.Show(u"\n");
    console_.Show(u"CURRENT FW: ");
    console_.ShowBytes(drive.revision, kRevisionBytes);
    console_.Show(u" UPDATE TO  ");
    console_.ShowBytes(newRevision, kRevisionBytes);
    console_.Show(u"\n");
    if (settings.revisionStaged &&
        !EqualBytes(drive.revision, settings.stagedRevision, kRevisionBytes)) {
      // A twin the updater did not stage for: its revision may be outside what the
      // package may flash.
      console_.Show(u"    LEFT ALONE: NOT THE DRIVE THAT WAS STAGED !\n");
      drive.outcome = kOutcomeLeftAlone;
      return false;
    }
    if (!EqualBytes(drive.revision, newRevision, kRevisionBytes)) return true;
    static constexpr uint8_t kQuery[10] = {0x0A, 0x07, 0, 0, 0, 0, 0, 0, 0, 0};
    if (!protocol_.QueryFirmwareExtension(s, kQuery, 1)) {
      // The drive runs the target revision but its extension is unknown: flashing it
      // again would risk a working drive for nothing, so it is left alone.
      console_.Show(u"    NOT FLASHED !\n");
      drive.outcome = kOutcomeNotFlashed;
      return false;
    }
    if (EqualBytes(state_.readBuffer, settings.extension, 8)) {
      console_.Show(u"    THE SAME !\n");
      drive.outcome = kOutcomeSame;
      return false;
    }
    return true;
  }

  // The steps of every row of kModelExceptions that the drive's model and revision match.
  void ApplyModelExceptions(uint32_t s, const FlashTarget& drive) {
    for (const ModelException& row : kModelExceptions) {
      if (!EqualBytes(drive.model, row.model, row.modelLength) ||
          !EqualBytes(drive.revision, row.revision, row.revisionLength)) {
        continue;
      }
      if (row.clearEepromFirst <= row.clearEepromLast) {
        console_.Show(u"CLEAR EEPROM...  \n");
        for (uint32_t address = row.clearEepromFirst; address <= row.clearEepromLast; ++address) {
          protocol_.WriteEepromByte(s, address, 0);
        }
      }
    }
  }

  // The download and its judgement; the log is written once the drive's outcome is known.
  void FlashDrive(uint32_t s, FlashTarget& drive, const uint8_t* newRevision) {
    console_.Show(u"\n\n");
    ApplyModelExceptions(s, drive);
    DelaySeconds(3);
    bool passed = true;
    if (!protocol_.DownloadFirmware(s, [this] { WriteLog(false); })) {
      uint8_t model[kModelBytes];
      passed = false;
      if (protocol_.IdentifyDrive(s, model, drive.revisionAfter)) {
        drive.identifiedAgain = true;
        console_.ShowBytes(drive.revisionAfter, kRevisionBytes);
        console_.Show(u" \n");
        // Only a change to the target shows that the drive took the new firmware; a
        // drive that already ran the target revision proves nothing by still running it.
        passed = !EqualBytes(drive.revision, newRevision, kRevisionBytes) &&
                 EqualBytes(drive.revisionAfter, newRevision, kRevisionBytes);
      }  // else no revision to judge by
    }
    console_.Show(passed ? u"PASS !\n" : u"FAIL !\n");
    drive.outcome = passed ? kOutcomePass : kOutcomeFail;
    WriteLog(false);
  }

  void MarkAndRestart() {
    if (MarkFirmwareFile(nt_, state_, state_.firmwarePath)) {
      console_.Show(u"\nStart to REBOOT ...\n");
      RebootSystem();
    } else {
      console_.Show(u"Fail to Mark FW !\n\n");
    }
  }

  void CleanUp() {
    DelaySeconds(3);
    WriteLog(true);
    if (state_.heap) {
      if (state_.image) nt_.FreeHeap(state_.heap, 0, state_.image);
      if (state_.commandLine) nt_.FreeHeap(state_.heap, 0, state_.commandLine);
      if (state_.arguments) nt_.FreeHeap(state_.heap, 0, state_.arguments);
      if (state_.firmwarePath) nt_.FreeHeap(state_.heap, 0, state_.firmwarePath);
      nt_.DestroyHeap(state_.heap);
    }
    state_.image = nullptr;
    state_.commandLine = nullptr;
    state_.arguments = nullptr;
    state_.firmwarePath = nullptr;
    state_.logPath = nullptr;
    state_.heap = nullptr;
    for (uint32_t s = 0; s < state_.driveCount; ++s) nt_.Close(state_.drives[s].handle);
    state_.driveCount = 0;
    nt_.TerminateProcess(nt_status::kSuccess);
  }

  Nt& nt_;
  FlasherState& state_;
  const uint8_t* config_;
  const FlasherConfigLayout& layout_;
  Console<Nt> console_;
  DriveProtocol<Nt> protocol_;
  const uint8_t* targetRevision_ = nullptr;
  bool summarize_ = false;  // the drives were looked at against the targets
};

}  // namespace qz::bootflash
