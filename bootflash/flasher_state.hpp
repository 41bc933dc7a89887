#pragma once
// The flasher's process-global state: the drive table, the buffers of the drive protocol and
// of the BootExecute update, and what the run learns about FW.bin. Plain data: the Windows
// build keeps one in zeroed global storage, with no constructor to run.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/transcript.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

inline constexpr uint32_t kMaxDrives = 16;  // \??\PhysicalDrive0 to 15, as the updater scans
inline constexpr uint32_t kModelBytes = 24;
inline constexpr uint32_t kRevisionBytes = 8;
inline constexpr uint32_t kImageBufferSize = 2097152;  // also the largest FW.bin accepted
// The decipher pass runs up to one block past the file's data, so the buffer has a block of
// slack beyond the largest file.
inline constexpr uint32_t kImageBufferSlack = 16;
inline constexpr uint32_t kSectorBytes = 512;
inline constexpr uint32_t kMaxPassThroughHeader = 48;
inline constexpr uint32_t kBootExecuteBufferBytes = 16384;

struct FlashTarget {
  NativeHandle handle;
  uint8_t model[kModelBytes];
  uint8_t revision[kRevisionBytes];
  // For the transcript.
  uint8_t number;                         // N of \??\PhysicalDriveN
  DriveOutcome outcome;
  bool identifiedAgain;                   // revisionAfter holds what a re-identify read
  uint8_t revisionAfter[kRevisionBytes];
};

struct FlasherState {
  FlashTarget drives[kMaxDrives];
  uint32_t driveCount;

  void* heap;
  uint8_t* image;          // kImageBufferSize + kImageBufferSlack bytes, zero-filled
  uint32_t fileLength;     // low 32 bits of FW.bin's end of file
  uint32_t markOffset;     // where the deciphered image holds "ssdbinv"
  uint8_t bootCodeFlag;

  char16_t* commandLine;   // heap copy, NUL-terminated
  char16_t** arguments;    // into commandLine
  uint32_t argumentCount;
  char16_t* firmwarePath;  // heap
  char16_t* logPath;       // Ombrel.log beside FW.bin, in the firmware path's heap block

  Transcript transcript;

  // Drive protocol buffers.
  uint8_t passThrough[kMaxPassThroughHeader + kSectorBytes];
  uint8_t readBuffer[kSectorBytes];
  uint8_t workBuffer[kSectorBytes];
  const uint8_t* chunkPointer;

  // BootExecute as read (KeyValuePartialInformation) and rewritten in place.
  uint8_t bootExecute[kBootExecuteBufferBytes];
};

}  // namespace qz::bootflash
