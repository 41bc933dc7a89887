#include "bootflash/image_field.hpp"

#include "bootflash/flasher_config.hpp"

namespace qz::bootflash {
namespace {

enum class FieldKind : uint8_t { kFlag, kText, kCount };

struct FieldRule {
  const char* key;
  size_t width;
  FieldKind kind;
};

constexpr FieldRule kRules[] = {
    {"KEY=", kConfigRevisionWidth, FieldKind::kText},  // in the first half of its 16 bytes
    {"UPDATEBOOT=", kConfigFlagWidth, FieldKind::kFlag},
    {"_____FW=", kConfigRevisionWidth, FieldKind::kText},
    {"_FW_EXT=", kConfigExtensionWidth, FieldKind::kText},
    {"DRIVECOUNT=", kConfigCountWidth, FieldKind::kCount},
    {"VENDID1=", kConfigModelWidth, FieldKind::kText},
    {"VENDID2=", kConfigModelWidth, FieldKind::kText},
    {"VENDID3=", kConfigModelWidth, FieldKind::kText},
    {"VENDID4=", kConfigModelWidth, FieldKind::kText},
    {"VENDID5=", kConfigModelWidth, FieldKind::kText},
    {"VENDID6=", kConfigModelWidth, FieldKind::kText},
};

size_t TextLength(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

bool SameText(const char* a, const char* b) {
  size_t i = 0;
  for (; a[i] != '\0' && a[i] == b[i]; ++i) {
  }
  return a[i] == b[i];
}

const FieldRule* FindRule(const char* key) {
  for (const FieldRule& rule : kRules) {
    if (SameText(rule.key, key)) return &rule;
  }
  return nullptr;
}

// Position of the field after the first occurrence of `key`, or the refusal.
PatchResult Locate(const uint8_t* image, size_t length, const char* key, size_t valueLength,
                   size_t* field) {
  const size_t keyLength = TextLength(key);
  for (size_t pos = 0; pos < length && length - pos >= keyLength; ++pos) {
    if (image[pos] != static_cast<uint8_t>(key[0])) continue;
    size_t i = 1;
    while (i < keyLength && image[pos + i] == static_cast<uint8_t>(key[i])) ++i;
    if (i < keyLength) continue;
    if (length - pos - keyLength < valueLength) return PatchResult::kNoRoom;
    *field = pos + keyLength;
    return PatchResult::kWritten;
  }
  return PatchResult::kKeyAbsent;
}

size_t ValueLength(const ImageField& field) {
  return field.length != 0 ? field.length : TextLength(field.value);
}

PatchResult CheckValue(const char* key, const char* value, size_t n) {
  if (key == nullptr || value == nullptr) return PatchResult::kBadArgument;
  const FieldRule* rule = FindRule(key);
  if (rule == nullptr) return PatchResult::kUnknownKey;
  switch (rule->kind) {
    case FieldKind::kFlag:
      if (n != 1 || (value[0] != '0' && value[0] != '1')) return PatchResult::kBadFlag;
      break;
    case FieldKind::kCount: {
      if (n != kConfigCountWidth) return PatchResult::kBadCount;
      uint32_t count = 0;
      for (size_t i = 0; i < n; ++i) {
        if (value[i] < '0' || value[i] > '9') return PatchResult::kBadCount;
        count = count * 10 + static_cast<uint32_t>(value[i] - '0');
      }
      if (count > kMaxTargetModels) return PatchResult::kBadCount;
      break;
    }
    case FieldKind::kText:
      if (n > rule->width) return PatchResult::kValueTooLong;
      break;
  }
  return PatchResult::kWritten;
}

}  // namespace

PatchResult CheckImageFieldValue(const char* key, const char* value) {
  if (value == nullptr) return PatchResult::kBadArgument;
  return CheckValue(key, value, TextLength(value));
}

PatchResult PatchImageField(uint8_t* image, size_t length, const char* key, const char* value) {
  const ImageField field = {key, value, 0};
  return PatchImageFields(image, length, &field, 1, nullptr);
}

PatchResult PatchImageFields(uint8_t* image, size_t length, const ImageField* fields,
                             size_t count, size_t* failed) {
  if (image == nullptr || (count > 0 && fields == nullptr) || count > kMaxImageFields) {
    return PatchResult::kBadArgument;
  }
  // Check and locate everything first: a half-written block cannot be detected by either side
  // later. Positions come from the image as it was, so a written value can never be taken
  // for a later key.
  size_t at[kMaxImageFields] = {};
  for (size_t f = 0; f < count; ++f) {
    PatchResult result = fields[f].value == nullptr
                             ? PatchResult::kBadArgument
                             : CheckValue(fields[f].key, fields[f].value, ValueLength(fields[f]));
    if (result == PatchResult::kWritten) {
      result = Locate(image, length, fields[f].key, ValueLength(fields[f]), &at[f]);
    }
    if (result != PatchResult::kWritten) {
      if (failed != nullptr) *failed = f;
      return result;
    }
  }
  for (size_t f = 0; f < count; ++f) {
    const char* value = fields[f].value;
    const size_t n = ValueLength(fields[f]);
    for (size_t i = 0; i < n; ++i) image[at[f] + i] = static_cast<uint8_t>(value[i]);
  }
  return PatchResult::kWritten;
}

}  // namespace qz::bootflash
