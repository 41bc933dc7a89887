#pragma once
// The updater's writer for the flasher's configuration block: finds a key text in a copy of
// the flasher image and writes the value's characters right after it (first occurrence only,
// no terminator; a shorter value leaves the rest of the field as built). CRT-free, like the
// rest of this folder.
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

// How a write went. Every result but kWritten leaves the image byte-identical.
enum class PatchResult : uint8_t {
  kWritten = 0,
  kKeyAbsent,     // the key text does not occur in the image
  kUnknownKey,    // not a writable key of the block
  kValueTooLong,  // longer than the key's field
  kBadCount,      // "DRIVECOUNT=": not exactly 4 ASCII digits, or above 6
  kBadFlag,       // "UPDATEBOOT=": not exactly "0" or "1"
  kNoRoom,        // the key's field would run past the end of the image
  kBadArgument,   // a null pointer
};

// Checks `value` for the field of `key` without touching any image: kWritten when it may
// be written, else the refusal PatchImageField would give.
PatchResult CheckImageFieldValue(const char* key, const char* value);

// Scans image[0, length) for the first occurrence of `key` (a NUL-terminated text) and
// copies `value`'s characters, without a terminator, to the bytes after it. Values are
// checked before anything is written:
//   "UPDATEBOOT=" "0" or "1"; "_____FW=", "_FW_EXT=", "KEY=" (the staged drive's revision)
//   at most 8 characters;
//   "DRIVECOUNT=" exactly 4 digits, at most 0006 (a shorter text would leave built digits
//   behind it, "1" giving "1000"); "VENDID1=" ... "VENDID6=" at most 24 characters.
PatchResult PatchImageField(uint8_t* image, size_t length, const char* key, const char* value);

struct ImageField {
  const char* key;
  const char* value;
  // 0: `value` is a NUL-terminated text. Otherwise its byte count: a drive's revision is
  // written as IDENTIFY gave it, NUL bytes included.
  size_t length = 0;
};

inline constexpr size_t kMaxImageFields = 16;

// All or nothing: checks every value and finds every key (absent keys count as refusals)
// before writing the first one. On refusal `*failed` (if not null) is the index of the
// offending field and the image is unchanged. At most kMaxImageFields fields.
PatchResult PatchImageFields(uint8_t* image, size_t length, const ImageField* fields,
                             size_t count, size_t* failed);

}  // namespace qz::bootflash
