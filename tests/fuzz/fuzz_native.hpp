#pragma once
// A native-API policy for the flasher's templates whose answers come from the fuzzer's bytes:
// one file, one registry value and one pass-through reply. Only the calls those templates make
// are here; the heap is the C heap, so AddressSanitizer sees every block.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/little_endian.hpp"
#include "platform/native_api.hpp"

namespace qz::fuzz {

struct FuzzNt {
  // ZwQueryInformationFile's end of file, and what ZwReadFile hands out.
  std::uint64_t endOfFile = 0;
  std::vector<std::uint8_t> file;
  // ZwQueryValueKey's whole KEY_VALUE_PARTIAL_INFORMATION reply.
  std::vector<std::uint8_t> valueReply;
  // The sector a data-in pass-through request returns behind its header.
  std::vector<std::uint8_t> sector;
  std::uint32_t headerSize = 0;
  std::vector<std::uint8_t> value;  // what the last registry write took

  NtStatus CreateFile(NativeHandle& h, std::uint32_t, const char16_t*, std::uint32_t,
                      std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
    h = 1;
    return nt_status::kSuccess;
  }
  NtStatus QueryInformationFile(NativeHandle, void* info, std::uint32_t length, std::uint32_t) {
    if (length < 24) return nt_status::kBufferTooSmall;
    auto* b = static_cast<std::uint8_t*>(info);
    std::memset(b, 0, 24);
    le::Store64(b + 8, endOfFile);
    return nt_status::kSuccess;
  }
  NtStatus ReadFile(NativeHandle, void* buffer, std::uint32_t length, std::int64_t,
                    std::uint32_t& transferred) {
    transferred = static_cast<std::uint32_t>(file.size() < length ? file.size() : length);
    if (transferred) std::memcpy(buffer, file.data(), transferred);
    return nt_status::kSuccess;
  }
  NtStatus WriteFile(NativeHandle, const void*, std::uint32_t length, std::int64_t,
                     std::uint32_t& transferred) {
    transferred = length;
    return nt_status::kSuccess;
  }
  NtStatus Close(NativeHandle) { return nt_status::kSuccess; }
  NtStatus OpenKey(NativeHandle& key, std::uint32_t, const char16_t*) {
    key = 2;
    return nt_status::kSuccess;
  }
  NtStatus QueryValueKey(NativeHandle, const char16_t*, std::uint32_t, void* buffer,
                         std::uint32_t length, std::uint32_t& resultLength) {
    resultLength = static_cast<std::uint32_t>(valueReply.size());
    if (length < 12) return nt_status::kBufferTooSmall;
    const std::size_t n = valueReply.size() < length ? valueReply.size() : length;
    if (n) std::memcpy(buffer, valueReply.data(), n);
    return valueReply.size() > length ? nt_status::kBufferOverflow : nt_status::kSuccess;
  }
  NtStatus WriteRegistryValue(std::uint32_t, const char16_t*, const char16_t*, std::uint32_t,
                              const void* data, std::uint32_t length) {
    // A copy reads every byte handed over, so AddressSanitizer checks the whole length.
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    value.assign(bytes, bytes + length);
    return nt_status::kSuccess;
  }
  NtStatus DeviceIoControlFile(NativeHandle, std::uint32_t, void*, std::uint32_t, void* out,
                               std::uint32_t outLength, std::uint32_t& returned) {
    auto* b = static_cast<std::uint8_t*>(out);
    const std::size_t room = outLength > headerSize ? outLength - headerSize : 0;
    const std::size_t n = sector.size() < room ? sector.size() : room;
    if (n) std::memcpy(b + headerSize, sector.data(), n);
    returned = outLength;
    return nt_status::kSuccess;
  }
  NtStatus DisplayString(const char16_t*) { return nt_status::kSuccess; }
  void* AllocateHeap(void*, std::uint32_t, std::size_t size) { return std::malloc(size ? size : 1); }
  bool FreeHeap(void*, std::uint32_t, void* block) {
    std::free(block);
    return true;
  }
};

}  // namespace qz::fuzz
