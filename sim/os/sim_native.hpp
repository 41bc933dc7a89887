#pragma once
// The native API (ntdll) of one process on a simulated machine: the policy the boot-time
// flasher is compiled against on the host. Files of the machine's file system, its physical
// drives (\??\PhysicalDrive<n>, ATA pass-through decoded from the request bytes), its registry,
// clock and token; the console text of NtDisplayString is kept as a transcript.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/native_api.hpp"
#include "sim/devices/ata_pass_through.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {

class SimNative {
 public:
  SimNative(Machine& machine, CallerBits bits);
  ~SimNative();
  SimNative(const SimNative&) = delete;
  SimNative& operator=(const SimNative&) = delete;

  NtStatus CreateFile(NativeHandle& handle, std::uint32_t access, const char16_t* path,
                      std::uint32_t objectAttributes, std::uint32_t fileAttributes,
                      std::uint32_t share, std::uint32_t disposition, std::uint32_t options);
  NtStatus ReadFile(NativeHandle handle, void* buffer, std::uint32_t length, std::int64_t offset,
                    std::uint32_t& transferred);
  NtStatus WriteFile(NativeHandle handle, const void* data, std::uint32_t length,
                     std::int64_t offset, std::uint32_t& transferred);
  NtStatus QueryInformationFile(NativeHandle handle, void* info, std::uint32_t length,
                                std::uint32_t infoClass);
  NtStatus DeviceIoControlFile(NativeHandle handle, std::uint32_t code, void* in,
                               std::uint32_t inLength, void* out, std::uint32_t outLength,
                               std::uint32_t& returned);
  NtStatus FlushBuffersFile(NativeHandle handle);
  NtStatus Close(NativeHandle handle);
  NtStatus OpenKey(NativeHandle& key, std::uint32_t access, const char16_t* path);
  NtStatus QueryValueKey(NativeHandle key, const char16_t* name, std::uint32_t infoClass,
                         void* buffer, std::uint32_t length, std::uint32_t& resultLength);
  NtStatus WriteRegistryValue(std::uint32_t relativeTo, const char16_t* path,
                              const char16_t* name, std::uint32_t type, const void* data,
                              std::uint32_t length);
  NtStatus DisplayString(const char16_t* text);
  NtStatus DelayExecution(bool alertable, std::int64_t interval);
  NtStatus AdjustPrivilege(std::uint32_t privilege, bool enable, bool currentThread,
                           bool& wasEnabled);
  NtStatus ShutdownSystem(std::uint32_t action);
  NtStatus QueryEnvironmentVariable(const char16_t* name, char16_t* value,
                                    std::uint32_t capacityBytes, std::uint32_t& lengthBytes);
  void* CreateHeap(std::uint32_t flags, std::size_t reserve, std::size_t commit);
  void* AllocateHeap(void* heap, std::uint32_t flags, std::size_t size);
  bool FreeHeap(void* heap, std::uint32_t flags, void* block);
  void* DestroyHeap(void* heap);
  NtStatus QuerySystemTime(std::int64_t& time);
  void TimeToTimeFields(std::int64_t time, TimeFields& fields);
  void TerminateProcess(NtStatus status);

  // --- what the process did
  std::string Console() const;  // the NtDisplayString text, as ASCII
  std::vector<std::string> calls;  // "ZwCreateFile \??\PhysicalDrive0", ... in order
  std::vector<std::uint32_t> shutdowns;
  std::vector<std::int64_t> delays;  // intervals as passed
  // One entry a file handle, in the order opened: whether it was opened write-through, and
  // where in `calls` each write and each flush through it stands.
  struct FileRecord {
    std::string path;
    bool writeThrough = false;
    std::vector<std::size_t> writes, flushes;
  };
  std::vector<FileRecord> fileHandles;
  // Each ATA pass-through request that reached a drive, as decoded from its bytes, and its
  // place in `calls`.
  struct AtaRecord {
    std::size_t call = 0;
    std::size_t drive = 0;  // N of \??\PhysicalDriveN
    AtaRegisters regs;
  };
  std::vector<AtaRecord> ataRequests;
  bool terminated = false;
  NtStatus exitStatus = 0;
  std::size_t OpenHandleCount() const { return objects_.size(); }
  std::size_t LiveHeapCount() const { return heaps_.size(); }
  std::size_t LeakedBlocks() const { return leakedBlocks_; }
  std::size_t BadFrees() const { return badFrees_; }

  // --- the process's environment and faults
  std::map<std::string, std::string> environment;  // by upper-case name
  bool failCreateHeap = false;
  unsigned failAllocation = 0;  // the n-th heap allocation (from 1) fails; 0: none
  bool failQueryInformation = false;
  bool failSystemTime = false;
  std::uint32_t readLimit = 0;  // a file read returns at most this many bytes; 0: no limit

 private:
  struct Object {
    enum class Kind { File, Drive, Key } kind = Kind::File;
    std::string path;  // file path or registry key path below HKLM
    std::size_t drive = 0;
    bool canRead = false, canWrite = false;
    std::uint32_t share = 0;
    std::size_t record = 0;  // in fileHandles (files only)
  };
  struct Heap {
    std::map<void*, std::unique_ptr<std::uint8_t[]>> blocks;
  };
  NativeHandle Add(Object object);
  Object* Find(NativeHandle handle);
  NtStatus QueryDriveBus(std::size_t drive, ConstBytes in, Bytes out, std::uint32_t& returned);
  bool SharingConflict(const std::string& path, bool read, bool write, std::uint32_t share) const;

  Machine& machine_;
  CallerBits bits_;
  std::u16string console_;
  std::map<NativeHandle, Object> objects_;
  NativeHandle next_ = 0x40;
  std::map<void*, Heap> heaps_;
  std::vector<std::unique_ptr<std::uint8_t>> heapTokens_;
  unsigned allocations_ = 0;
  std::size_t leakedBlocks_ = 0;
  std::size_t badFrees_ = 0;
};

// UTF-16 to the sim's 8-bit text ('?' for what ASCII lacks) and back.
std::string Narrow(const std::u16string& text);
std::u16string Widen(const std::string& text);

}  // namespace qz::sim
