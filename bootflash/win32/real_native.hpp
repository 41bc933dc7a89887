#pragma once
// The native-API policy of the Windows builds: every call forwards to ntdll. Declared here
// from the documented signatures (no Windows headers, whose A/W macros would rename the
// policy's members). Only the cross builds compile this.
#include <stddef.h>
#include <stdint.h>

#include "platform/native_api.hpp"

namespace qz::bootflash::win32 {

struct UnicodeString {
  uint16_t length;         // bytes
  uint16_t maximumLength;  // bytes
  const char16_t* buffer;
};

struct ObjectAttributes {
  uint32_t length;
  void* rootDirectory;
  UnicodeString* objectName;
  uint32_t attributes;
  void* securityDescriptor;
  void* securityQualityOfService;
};

struct IoStatusBlock {
  union {
    int32_t status;
    void* pointer;
  };
  uintptr_t information;
};

extern "C" {
#define QZ_NTAPI __attribute__((stdcall))
int32_t QZ_NTAPI ZwCreateFile(void** handle, uint32_t access, ObjectAttributes* attributes,
                              IoStatusBlock* io, int64_t* allocationSize, uint32_t fileAttributes,
                              uint32_t share, uint32_t disposition, uint32_t options, void* ea,
                              uint32_t eaLength);
int32_t QZ_NTAPI ZwReadFile(void* file, void* event, void* apc, void* apcContext,
                            IoStatusBlock* io, void* buffer, uint32_t length, int64_t* offset,
                            uint32_t* key);
int32_t QZ_NTAPI ZwWriteFile(void* file, void* event, void* apc, void* apcContext,
                             IoStatusBlock* io, const void* buffer, uint32_t length,
                             int64_t* offset, uint32_t* key);
int32_t QZ_NTAPI ZwQueryInformationFile(void* file, IoStatusBlock* io, void* info,
                                        uint32_t length, uint32_t infoClass);
int32_t QZ_NTAPI ZwDeviceIoControlFile(void* file, void* event, void* apc, void* apcContext,
                                       IoStatusBlock* io, uint32_t code, void* in,
                                       uint32_t inLength, void* out, uint32_t outLength);
int32_t QZ_NTAPI ZwClose(void* handle);
int32_t QZ_NTAPI NtFlushBuffersFile(void* file, IoStatusBlock* io);
int32_t QZ_NTAPI ZwOpenKey(void** key, uint32_t access, ObjectAttributes* attributes);
int32_t QZ_NTAPI ZwQueryValueKey(void* key, UnicodeString* name, uint32_t infoClass,
                                 void* buffer, uint32_t length, uint32_t* resultLength);
int32_t QZ_NTAPI RtlWriteRegistryValue(uint32_t relativeTo, const char16_t* path,
                                       const char16_t* name, uint32_t type, const void* data,
                                       uint32_t length);
int32_t QZ_NTAPI NtDisplayString(UnicodeString* text);
int32_t QZ_NTAPI NtDelayExecution(uint8_t alertable, int64_t* interval);
int32_t QZ_NTAPI RtlAdjustPrivilege(uint32_t privilege, uint8_t enable, uint8_t currentThread,
                                    uint8_t* wasEnabled);
int32_t QZ_NTAPI NtShutdownSystem(uint32_t action);
int32_t QZ_NTAPI RtlQueryEnvironmentVariable_U(void* environment, UnicodeString* name,
                                               UnicodeString* value);
void* QZ_NTAPI RtlCreateHeap(uint32_t flags, void* base, size_t reserve, size_t commit,
                             void* lock, void* parameters);
void* QZ_NTAPI RtlAllocateHeap(void* heap, uint32_t flags, size_t size);
uint8_t QZ_NTAPI RtlFreeHeap(void* heap, uint32_t flags, void* block);
void* QZ_NTAPI RtlDestroyHeap(void* heap);
int32_t QZ_NTAPI NtTerminateProcess(void* process, int32_t status);
int32_t QZ_NTAPI NtQuerySystemTime(int64_t* time);
void QZ_NTAPI RtlTimeToTimeFields(int64_t* time, TimeFields* fields);
#undef QZ_NTAPI
}

inline UnicodeString MakeUnicode(const char16_t* text) {
  size_t n = 0;
  while (text[n]) ++n;
  if (n > 32766) n = 32766;
  return UnicodeString{static_cast<uint16_t>(n * 2), static_cast<uint16_t>(n * 2 + 2), text};
}

class RealNt {
 public:
  NtStatus CreateFile(NativeHandle& handle, uint32_t access, const char16_t* path,
                      uint32_t objectAttributes, uint32_t fileAttributes, uint32_t share,
                      uint32_t disposition, uint32_t options) {
    UnicodeString name = MakeUnicode(path);
    ObjectAttributes attributes{sizeof(ObjectAttributes), nullptr, &name, objectAttributes,
                                nullptr, nullptr};
    IoStatusBlock io{};
    void* h = nullptr;
    const NtStatus status = ZwCreateFile(&h, access, &attributes, &io, nullptr, fileAttributes,
                                         share, disposition, options, nullptr, 0);
    handle = reinterpret_cast<NativeHandle>(h);
    return status;
  }
  NtStatus ReadFile(NativeHandle handle, void* buffer, uint32_t length, int64_t offset,
                    uint32_t& transferred) {
    IoStatusBlock io{};
    const NtStatus status = ZwReadFile(Handle(handle), nullptr, nullptr, nullptr, &io, buffer,
                                       length, &offset, nullptr);
    transferred = NtSuccess(status) ? static_cast<uint32_t>(io.information) : 0;
    return status;
  }
  NtStatus WriteFile(NativeHandle handle, const void* data, uint32_t length, int64_t offset,
                     uint32_t& transferred) {
    IoStatusBlock io{};
    const NtStatus status = ZwWriteFile(Handle(handle), nullptr, nullptr, nullptr, &io, data,
                                        length, &offset, nullptr);
    transferred = NtSuccess(status) ? static_cast<uint32_t>(io.information) : 0;
    return status;
  }
  NtStatus QueryInformationFile(NativeHandle handle, void* info, uint32_t length,
                                uint32_t infoClass) {
    IoStatusBlock io{};
    return ZwQueryInformationFile(Handle(handle), &io, info, length, infoClass);
  }
  NtStatus DeviceIoControlFile(NativeHandle handle, uint32_t code, void* in, uint32_t inLength,
                               void* out, uint32_t outLength, uint32_t& returned) {
    IoStatusBlock io{};
    const NtStatus status = ZwDeviceIoControlFile(Handle(handle), nullptr, nullptr, nullptr, &io,
                                                  code, in, inLength, out, outLength);
    returned = static_cast<uint32_t>(io.information);
    return status;
  }
  NtStatus FlushBuffersFile(NativeHandle handle) {
    IoStatusBlock io{};
    return NtFlushBuffersFile(Handle(handle), &io);
  }
  NtStatus Close(NativeHandle handle) { return ZwClose(Handle(handle)); }
  NtStatus OpenKey(NativeHandle& key, uint32_t access, const char16_t* path) {
    UnicodeString name = MakeUnicode(path);
    ObjectAttributes attributes{sizeof(ObjectAttributes), nullptr, &name,
                                nt_object::kCaseInsensitive, nullptr, nullptr};
    void* h = nullptr;
    const NtStatus status = ZwOpenKey(&h, access, &attributes);
    key = reinterpret_cast<NativeHandle>(h);
    return status;
  }
  NtStatus QueryValueKey(NativeHandle key, const char16_t* name, uint32_t infoClass,
                         void* buffer, uint32_t length, uint32_t& resultLength) {
    UnicodeString value = MakeUnicode(name);
    return ZwQueryValueKey(Handle(key), &value, infoClass, buffer, length, &resultLength);
  }
  NtStatus WriteRegistryValue(uint32_t relativeTo, const char16_t* path, const char16_t* name,
                              uint32_t type, const void* data, uint32_t length) {
    return RtlWriteRegistryValue(relativeTo, path, name, type, data, length);
  }
  NtStatus DisplayString(const char16_t* text) {
    UnicodeString s = MakeUnicode(text);
    return NtDisplayString(&s);
  }
  NtStatus DelayExecution(bool alertable, int64_t interval) {
    return NtDelayExecution(alertable ? 1 : 0, &interval);
  }
  NtStatus AdjustPrivilege(uint32_t privilege, bool enable, bool currentThread,
                           bool& wasEnabled) {
    uint8_t was = 0;
    const NtStatus status = RtlAdjustPrivilege(privilege, enable ? 1 : 0, currentThread ? 1 : 0,
                                               &was);
    wasEnabled = was != 0;
    return status;
  }
  NtStatus ShutdownSystem(uint32_t action) { return NtShutdownSystem(action); }
  NtStatus QueryEnvironmentVariable(const char16_t* name, char16_t* value,
                                    uint32_t capacityBytes, uint32_t& lengthBytes) {
    UnicodeString key = MakeUnicode(name);
    UnicodeString out{0, static_cast<uint16_t>(capacityBytes > 65534 ? 65534 : capacityBytes),
                      value};
    const NtStatus status = RtlQueryEnvironmentVariable_U(nullptr, &key, &out);
    lengthBytes = out.length;
    return status;
  }
  void* CreateHeap(uint32_t flags, size_t reserve, size_t commit) {
    return RtlCreateHeap(flags, nullptr, reserve, commit, nullptr, nullptr);
  }
  void* AllocateHeap(void* heap, uint32_t flags, size_t size) {
    return RtlAllocateHeap(heap, flags, size);
  }
  bool FreeHeap(void* heap, uint32_t flags, void* block) {
    return RtlFreeHeap(heap, flags, block) != 0;
  }
  void* DestroyHeap(void* heap) { return RtlDestroyHeap(heap); }
  NtStatus QuerySystemTime(int64_t& time) { return NtQuerySystemTime(&time); }
  void TimeToTimeFields(int64_t time, TimeFields& fields) { RtlTimeToTimeFields(&time, &fields); }
  void TerminateProcess(NtStatus status) {
    NtTerminateProcess(reinterpret_cast<void*>(static_cast<intptr_t>(-1)), status);
  }

 private:
  static void* Handle(NativeHandle h) { return reinterpret_cast<void*>(h); }
};

}  // namespace qz::bootflash::win32
