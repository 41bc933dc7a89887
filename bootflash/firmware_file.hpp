#pragma once
// FW.bin on the flasher's side: load it into the image buffer, tell an already used file by
// its done-mark, decipher it in place and find the image's marker; afterwards write the
// done-mark over the marker's position.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/console.hpp"
#include "bootflash/firmware_transform.hpp"
#include "bootflash/flasher_state.hpp"
#include "bootflash/image_marks.hpp"
#include "bootflash/native_text.hpp"
#include "platform/little_endian.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

inline constexpr int32_t kFirmwareReady = 0;
inline constexpr int32_t kFirmwareAlreadyDone = 253;
inline constexpr int32_t kFirmwareNoMarker = 254;

// 0 (ready, markOffset set), 253 (already done), 254 (no marker) or a negative NT status.
// A file larger than the image buffer is refused before anything is read.
template <class Nt>
int32_t LoadFirmwareFile(Nt& nt, FlasherState& state, const char16_t* path) {
  NativeHandle file = 0;
  NtStatus status = nt.CreateFile(
      file, nt_access::kGenericRead | nt_access::kSynchronize | nt_access::kFileReadAttributes,
      path, nt_object::kCaseInsensitive, nt_file::kAttributeNormal, nt_file::kShareRead,
      nt_file::kOpen, nt_file::kSynchronousIoNonAlert | nt_file::kNonDirectoryFile);
  if (!NtSuccess(status)) return status;

  state.fileLength = 0;
  uint8_t info[24] = {};
  if (NtSuccess(nt.QueryInformationFile(file, info, sizeof info,
                                        nt_file::kStandardInformation))) {
    // FILE_STANDARD_INFORMATION: AllocationSize, then EndOfFile (LARGE_INTEGER) at 8.
    const uint64_t end = le::Load64(info + 8);
    if (end > kImageBufferSize) {
      nt.Close(file);
      return nt_status::kFileTooLarge;
    }
    state.fileLength = static_cast<uint32_t>(end);
  }

  // A read that failed or stopped short would leave the rest of an earlier image, or
  // zeros, to be sent as firmware.
  uint32_t transferred = 0;
  status = nt.ReadFile(file, state.image, kImageBufferSize, 0, transferred);
  if (!NtSuccess(status) || transferred < state.fileLength) {
    nt.Close(file);
    return NtSuccess(status) ? nt_status::kEndOfFile : status;
  }

  int32_t result = kFirmwareNoMarker;
  if (FindBytes(state.image, state.fileLength, kDoneMark, 16) >= 0) {
    result = kFirmwareAlreadyDone;
  } else {
    TransformFirmware(state.image, state.fileLength, true);
    const long at = FindBytes(state.image, state.fileLength, kImageMarker, 7);
    if (at >= 0) {
      state.markOffset = static_cast<uint32_t>(at);
      result = kFirmwareReady;
    }
  }
  nt.Close(file);
  return result;
}

template <class Nt>
bool MarkFirmwareFile(Nt& nt, FlasherState& state, const char16_t* path) {
  Console<Nt> console(nt, state.transcript);
  NativeHandle file = 0;
  NtStatus status = nt.CreateFile(
      file, nt_access::kGenericRead | nt_access::kGenericWrite | nt_access::kSynchronize, path,
      nt_object::kCaseInsensitive | nt_object::kKernelHandle, nt_file::kAttributeNormal, 0,
      nt_file::kOpen, nt_file::kSynchronousIoNonAlert);
  if (!NtSuccess(status)) {
    console.ShowStatus(u"Fail to Create ! Error Code: ", status, u"\n");
    return false;
  }
  uint32_t written = 0;
  status = nt.WriteFile(file, kDoneMark, 16, state.markOffset, written);
  if (!NtSuccess(status) || written != 16) {
    console.ShowStatus(u"Fail to Write ! Error Code: ", NtSuccess(status) ? nt_status::kDiskFull
                                                                           : status, u"\n");
    nt.Close(file);
    return false;
  }
  nt.Close(file);
  return true;
}

}  // namespace qz::bootflash
