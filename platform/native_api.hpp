#pragma once
// The native API (ntdll) as the boot-time flasher uses it. The flasher binds its platform at
// compile time: it is a template over a policy type that has the member functions below, so
// the Windows build calls ntdll directly and carries no virtual tables, runtime or heap of its
// own. This header must stay freestanding (no library headers beyond <cstdint>/<cstddef>).
//
// A policy type P provides (all statuses are NTSTATUS values, negative on failure):
//
//   NtStatus CreateFile(NativeHandle& handle, uint32_t access, const char16_t* path,
//                       uint32_t objectAttributes, uint32_t fileAttributes, uint32_t share,
//                       uint32_t disposition, uint32_t options);          // ZwCreateFile
//   NtStatus ReadFile(NativeHandle, void* buffer, uint32_t length, int64_t offset,
//                     uint32_t& transferred);                             // ZwReadFile
//   NtStatus WriteFile(NativeHandle, const void* data, uint32_t length, int64_t offset,
//                      uint32_t& transferred);                            // ZwWriteFile
//   NtStatus QueryInformationFile(NativeHandle, void* info, uint32_t length,
//                                 uint32_t infoClass);   // ZwQueryInformationFile, as bytes
//   NtStatus DeviceIoControlFile(NativeHandle, uint32_t code, void* in, uint32_t inLength,
//                                void* out, uint32_t outLength, uint32_t& returned);
//   NtStatus FlushBuffersFile(NativeHandle);                              // NtFlushBuffersFile
//   NtStatus Close(NativeHandle);                                         // ZwClose
//   NtStatus OpenKey(NativeHandle& key, uint32_t access, const char16_t* path);  // ZwOpenKey
//   NtStatus QueryValueKey(NativeHandle key, const char16_t* name, uint32_t infoClass,
//                          void* buffer, uint32_t length, uint32_t& resultLength);
//   NtStatus WriteRegistryValue(uint32_t relativeTo, const char16_t* path,
//                               const char16_t* name, uint32_t type, const void* data,
//                               uint32_t length);                         // RtlWriteRegistryValue
//   NtStatus DisplayString(const char16_t* text);                        // NtDisplayString
//   NtStatus DelayExecution(bool alertable, int64_t interval);           // NtDelayExecution
//   NtStatus AdjustPrivilege(uint32_t privilege, bool enable, bool currentThread,
//                            bool& wasEnabled);                           // RtlAdjustPrivilege
//   NtStatus ShutdownSystem(uint32_t action);                            // NtShutdownSystem
//   NtStatus QueryEnvironmentVariable(const char16_t* name, char16_t* value,
//                                     uint32_t capacityBytes, uint32_t& lengthBytes);
//   void* CreateHeap(uint32_t flags, size_t reserve, size_t commit);     // RtlCreateHeap
//   void* AllocateHeap(void* heap, uint32_t flags, size_t size);         // RtlAllocateHeap
//   bool FreeHeap(void* heap, uint32_t flags, void* block);              // RtlFreeHeap
//   void* DestroyHeap(void* heap);                                       // null on success
//   NtStatus QuerySystemTime(int64_t& time);  // NtQuerySystemTime: UTC, 100 ns since 1601
//   void TimeToTimeFields(int64_t time, TimeFields& fields);            // RtlTimeToTimeFields
//   void TerminateProcess(NtStatus status);  // NtTerminateProcess(current); returns only in
//                                            // a simulation
#include <cstddef>
#include <cstdint>

namespace qz {

using NtStatus = std::int32_t;
using NativeHandle = std::uintptr_t;

constexpr bool NtSuccess(NtStatus status) { return status >= 0; }

namespace nt_status {
inline constexpr NtStatus kSuccess = 0;
inline constexpr NtStatus kTimeout = 0x00000102;
inline constexpr NtStatus kBufferOverflow = static_cast<NtStatus>(0x80000005u);
inline constexpr NtStatus kUnsuccessful = static_cast<NtStatus>(0xC0000001u);
inline constexpr NtStatus kInvalidHandle = static_cast<NtStatus>(0xC0000008u);
inline constexpr NtStatus kInvalidParameter = static_cast<NtStatus>(0xC000000Du);
inline constexpr NtStatus kNoSuchDevice = static_cast<NtStatus>(0xC000000Eu);
inline constexpr NtStatus kEndOfFile = static_cast<NtStatus>(0xC0000011u);
inline constexpr NtStatus kNoMemory = static_cast<NtStatus>(0xC0000017u);
inline constexpr NtStatus kAccessDenied = static_cast<NtStatus>(0xC0000022u);
inline constexpr NtStatus kBufferTooSmall = static_cast<NtStatus>(0xC0000023u);
inline constexpr NtStatus kObjectNameInvalid = static_cast<NtStatus>(0xC0000033u);
inline constexpr NtStatus kObjectNameNotFound = static_cast<NtStatus>(0xC0000034u);
inline constexpr NtStatus kObjectPathNotFound = static_cast<NtStatus>(0xC000003Au);
inline constexpr NtStatus kSharingViolation = static_cast<NtStatus>(0xC0000043u);
inline constexpr NtStatus kDiskFull = static_cast<NtStatus>(0xC000007Fu);
inline constexpr NtStatus kVariableNotFound = static_cast<NtStatus>(0xC0000100u);
inline constexpr NtStatus kIoTimeout = static_cast<NtStatus>(0xC00000B5u);
inline constexpr NtStatus kFileIsADirectory = static_cast<NtStatus>(0xC00000BAu);
inline constexpr NtStatus kNotSupported = static_cast<NtStatus>(0xC00000BBu);
inline constexpr NtStatus kPrivilegeNotHeld = static_cast<NtStatus>(0xC0000061u);
inline constexpr NtStatus kIoDeviceError = static_cast<NtStatus>(0xC0000185u);
inline constexpr NtStatus kInvalidImageFormat = static_cast<NtStatus>(0xC000007Bu);
inline constexpr NtStatus kFileTooLarge = static_cast<NtStatus>(0xC0000904u);
}  // namespace nt_status

namespace nt_access {
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kSynchronize = 0x00100000u;
inline constexpr std::uint32_t kFileReadAttributes = 0x0080u;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001u;
inline constexpr std::uint32_t kKeyRead = 0x20019u;
}  // namespace nt_access

namespace nt_object {
inline constexpr std::uint32_t kCaseInsensitive = 0x40;
inline constexpr std::uint32_t kKernelHandle = 0x200;
}  // namespace nt_object

namespace nt_file {
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kShareRead = 1;
inline constexpr std::uint32_t kShareWrite = 2;
// Dispositions.
inline constexpr std::uint32_t kSupersede = 0;
inline constexpr std::uint32_t kOpen = 1;
inline constexpr std::uint32_t kCreate = 2;
inline constexpr std::uint32_t kOpenIf = 3;
inline constexpr std::uint32_t kOverwrite = 4;
inline constexpr std::uint32_t kOverwriteIf = 5;
// Create options.
inline constexpr std::uint32_t kDirectoryFile = 0x01;
inline constexpr std::uint32_t kWriteThrough = 0x02;
inline constexpr std::uint32_t kSynchronousIoNonAlert = 0x20;
inline constexpr std::uint32_t kNonDirectoryFile = 0x40;
// Information class of FILE_STANDARD_INFORMATION (24 bytes; each side lays it out itself).
inline constexpr std::uint32_t kStandardInformation = 5;
}  // namespace nt_file

namespace nt_registry {
// RtlWriteRegistryValue's relative-to roots.
inline constexpr std::uint32_t kAbsolute = 0;
inline constexpr std::uint32_t kServices = 1;
inline constexpr std::uint32_t kControl = 2;
inline constexpr std::uint32_t kWindowsNt = 3;
inline constexpr std::uint32_t kDeviceMap = 4;
inline constexpr std::uint32_t kUser = 5;
inline constexpr std::uint32_t kTypeSz = 1;
inline constexpr std::uint32_t kTypeMultiSz = 7;
// ZwQueryValueKey's KeyValuePartialInformation (TitleIndex, Type, DataLength, Data).
inline constexpr std::uint32_t kPartialInformation = 2;
}  // namespace nt_registry

namespace nt_heap {
inline constexpr std::uint32_t kGrowable = 0x00000002;
inline constexpr std::uint32_t kZeroMemory = 0x00000008;
}  // namespace nt_heap

// TIME_FIELDS as RtlTimeToTimeFields fills it.
struct TimeFields {
  std::int16_t year, month, day, hour, minute, second, milliseconds, weekday;
};
static_assert(sizeof(TimeFields) == 16, "TIME_FIELDS is eight CSHORTs");

inline constexpr std::uint32_t kSeShutdownPrivilege = 19;
inline constexpr std::uint32_t kShutdownReboot = 1;
inline constexpr std::uint32_t kIoctlAtaPassThrough = 0x4D02C;
// In: STORAGE_PROPERTY_QUERY (PropertyId, QueryType, 12 bytes; all zero asks for
// StorageDeviceProperty, PropertyStandardQuery). Out: STORAGE_DEVICE_DESCRIPTOR, whose 32-bit
// BusType sits at byte 28 for 32- and 64-bit callers alike.
inline constexpr std::uint32_t kIoctlStorageQueryProperty = 0x2D1400;
inline constexpr std::uint32_t kStoragePropertyQueryBytes = 12;
inline constexpr std::uint32_t kDeviceDescriptorBusTypeOffset = 28;

}  // namespace qz
