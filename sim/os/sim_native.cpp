#include "sim/os/sim_native.hpp"

#include <algorithm>
#include <cstring>

#include "platform/civil_time.hpp"
#include "platform/little_endian.hpp"
#include "platform/registry_api.hpp"
#include "platform/text.hpp"
#include "sim/machine/path.hpp"
#include "sim/devices/storage_disk.hpp"

namespace qz::sim {
namespace {

constexpr NtStatus kInfoLengthMismatch = static_cast<NtStatus>(0xC0000004u);
constexpr NtStatus kInvalidDeviceRequest = static_cast<NtStatus>(0xC0000010u);
constexpr NtStatus kObjectNameCollision = static_cast<NtStatus>(0xC0000035u);
constexpr NtStatus kNotADirectory = static_cast<NtStatus>(0xC0000103u);

std::u16string Text(const char16_t* p) { return p ? std::u16string(p) : std::u16string(); }

bool StartsWithIgnoreCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// Registry text types are stored as the 8-bit text of the sim's registry.
bool IsTextType(std::uint32_t type) {
  return type == reg_type::kSz || type == reg_type::kExpandSz || type == reg_type::kMultiSz;
}

}  // namespace

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::u16string Widen(const std::string& text) {
  std::u16string out;
  for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

SimNative::SimNative(Machine& machine, CallerBits bits) : machine_(machine), bits_(bits) {
  environment["SYSTEMROOT"] = machine.windowsDirectory;
  environment["PATH"] = machine.SystemDirectory();
}

SimNative::~SimNative() = default;

NativeHandle SimNative::Add(Object object) {
  next_ += 4;
  objects_[next_] = std::move(object);
  return next_;
}

SimNative::Object* SimNative::Find(NativeHandle handle) {
  auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : &it->second;
}

bool SimNative::SharingConflict(const std::string& path, bool read, bool write,
                                std::uint32_t share) const {
  for (const auto& [h, o] : objects_) {
    if (o.kind != Object::Kind::File || PathKey(o.path) != PathKey(path)) continue;
    if ((read && !(o.share & nt_file::kShareRead)) || (write && !(o.share & nt_file::kShareWrite)))
      return true;
    if ((o.canRead && !(share & nt_file::kShareRead)) ||
        (o.canWrite && !(share & nt_file::kShareWrite)))
      return true;
  }
  return false;
}

NtStatus SimNative::CreateFile(NativeHandle& handle, std::uint32_t access, const char16_t* path,
                               std::uint32_t, std::uint32_t, std::uint32_t share,
                               std::uint32_t disposition, std::uint32_t options) {
  handle = 0;
  const std::string name = Narrow(Text(path));
  calls.push_back("ZwCreateFile " + name);
  std::string local;
  if (StartsWithIgnoreCase(name, "\\??\\")) {
    local = name.substr(4);
  } else if (StartsWithIgnoreCase(name, "\\DosDevices\\")) {
    local = name.substr(12);
  } else if (StartsWithIgnoreCase(name, "\\SystemRoot\\")) {
    local = JoinPath(machine_.windowsDirectory, name.substr(12));
  } else {
    return nt_status::kObjectPathNotFound;
  }
  if (StartsWithIgnoreCase(local, "PhysicalDrive")) {
    const std::string digits = local.substr(13);
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return nt_status::kObjectNameNotFound;
    }
    const std::size_t n = std::stoul(digits);
    if (n >= machine_.physicalDrives.size() || !machine_.physicalDrives[n]) {
      return nt_status::kObjectNameNotFound;
    }
    Object o;
    o.kind = Object::Kind::Drive;
    o.drive = n;
    o.path = local;
    handle = Add(o);
    return nt_status::kSuccess;
  }
  if (local.size() < 3 || local[1] != ':' || local[2] != '\\') return nt_status::kObjectNameInvalid;

  FileSystem& fs = machine_.files;
  const bool read = (access & nt_access::kGenericRead) != 0;
  const bool write = (access & nt_access::kGenericWrite) != 0;
  if (fs.IsDirectory(local)) {
    return (options & nt_file::kNonDirectoryFile) ? nt_status::kFileIsADirectory
                                                 : nt_status::kAccessDenied;
  }
  if (options & nt_file::kDirectoryFile) return kNotADirectory;
  const std::string parent = ParentPath(local);
  if (!fs.IsDirectory(parent)) return nt_status::kObjectPathNotFound;
  if (fs.OpenFails(local)) return nt_status::kAccessDenied;
  FileSystem::File* file = fs.Find(local);
  if (file && SharingConflict(local, read, write, share)) return nt_status::kSharingViolation;
  switch (disposition) {
    case nt_file::kOpen:
      if (!file) return nt_status::kObjectNameNotFound;
      break;
    case nt_file::kCreate:
      if (file) return kObjectNameCollision;
      [[fallthrough]];
    case nt_file::kOpenIf:
    case nt_file::kOverwriteIf:
    case nt_file::kSupersede:
      if (!file) {
        if (fs.CreateFails(local)) return nt_status::kAccessDenied;
        file = fs.Create(local);
      } else if (disposition != nt_file::kOpenIf) {
        file->data.clear();
      }
      break;
    case nt_file::kOverwrite:
      if (!file) return nt_status::kObjectNameNotFound;
      file->data.clear();
      break;
    default:
      return nt_status::kInvalidParameter;
  }
  Object o;
  o.path = local;
  o.canRead = read;
  o.canWrite = write;
  o.share = share;
  o.record = fileHandles.size();
  fileHandles.push_back(FileRecord{local, (options & nt_file::kWriteThrough) != 0, {}, {}});
  handle = Add(o);
  return nt_status::kSuccess;
}

NtStatus SimNative::ReadFile(NativeHandle handle, void* buffer, std::uint32_t length,
                             std::int64_t offset, std::uint32_t& transferred) {
  transferred = 0;
  Object* o = Find(handle);
  if (!o) return nt_status::kInvalidHandle;
  calls.push_back("ZwReadFile " + o->path);
  if (o->kind != Object::Kind::File) return nt_status::kNotSupported;
  if (!o->canRead) return nt_status::kAccessDenied;
  if (machine_.files.ReadFails(o->path)) return nt_status::kIoDeviceError;
  const auto* file = machine_.files.Find(o->path);
  if (!file || offset < 0) return nt_status::kInvalidParameter;
  if (static_cast<std::uint64_t>(offset) >= file->data.size()) return nt_status::kEndOfFile;
  std::size_t n =
      std::min<std::size_t>(length, file->data.size() - static_cast<std::size_t>(offset));
  if (readLimit != 0) n = std::min<std::size_t>(n, readLimit);
  std::memcpy(buffer, file->data.data() + offset, n);
  transferred = static_cast<std::uint32_t>(n);
  return nt_status::kSuccess;
}

NtStatus SimNative::WriteFile(NativeHandle handle, const void* data, std::uint32_t length,
                              std::int64_t offset, std::uint32_t& transferred) {
  transferred = 0;
  Object* o = Find(handle);
  if (!o) return nt_status::kInvalidHandle;
  calls.push_back("ZwWriteFile " + o->path);
  if (o->kind != Object::Kind::File) return nt_status::kNotSupported;
  fileHandles[o->record].writes.push_back(calls.size() - 1);
  if (!o->canWrite) return nt_status::kAccessDenied;
  if (machine_.files.WriteFails(o->path)) return nt_status::kIoDeviceError;
  auto* file = machine_.files.Find(o->path);
  if (!file || offset < 0) return nt_status::kInvalidParameter;
  const std::size_t end = static_cast<std::size_t>(offset) + length;
  if (end > file->data.size() && !machine_.files.HasRoomFor(end - file->data.size())) {
    return nt_status::kDiskFull;
  }
  if (end > file->data.size()) file->data.resize(end, 0);
  std::memcpy(file->data.data() + offset, data, length);
  transferred = length;
  return nt_status::kSuccess;
}

NtStatus SimNative::QueryInformationFile(NativeHandle handle, void* info, std::uint32_t length,
                                         std::uint32_t infoClass) {
  Object* o = Find(handle);
  if (!o) return nt_status::kInvalidHandle;
  calls.push_back("ZwQueryInformationFile " + o->path);
  if (o->kind != Object::Kind::File || infoClass != nt_file::kStandardInformation) {
    return nt_status::kInvalidParameter;
  }
  if (length < 24) return kInfoLengthMismatch;
  if (failQueryInformation) return nt_status::kIoDeviceError;
  const auto* file = machine_.files.Find(o->path);
  const std::uint64_t size = file ? file->data.size() : 0;
  // FILE_STANDARD_INFORMATION: AllocationSize, EndOfFile, NumberOfLinks, DeletePending,
  // Directory.
  auto* b = static_cast<std::uint8_t*>(info);
  std::memset(b, 0, 24);
  le::Store64(b + 0, (size + 4095) / 4096 * 4096);
  le::Store64(b + 8, size);
  le::Store32(b + 16, static_cast<std::uint32_t>(1));
  return nt_status::kSuccess;
}

NtStatus SimNative::DeviceIoControlFile(NativeHandle handle, std::uint32_t code, void* in,
                                        std::uint32_t inLength, void* out,
                                        std::uint32_t outLength, std::uint32_t& returned) {
  returned = 0;
  Object* o = Find(handle);
  if (!o) return nt_status::kInvalidHandle;
  calls.push_back("ZwDeviceIoControlFile " + o->path);
  if (o->kind != Object::Kind::Drive) return kInvalidDeviceRequest;
  const ConstBytes request(static_cast<std::uint8_t*>(in), inLength);
  const Bytes reply(static_cast<std::uint8_t*>(out), outLength);
  if (code == kIoctlStorageQueryProperty) return QueryDriveBus(o->drive, request, reply, returned);
  if (code != kIoctlAtaPassThrough) return kInvalidDeviceRequest;
  auto& drive = machine_.physicalDrives[o->drive];
  DecodedAtaRequest decoded;
  if (DecodeAtaPassThrough(bits_, request, outLength, decoded)) {
    ataRequests.push_back(AtaRecord{calls.size() - 1, o->drive, decoded.regs});
  }
  return AtaPassThrough(*drive, bits_, request, reply, returned, machine_.clock);
}

// The disk's storage driver answers: the device-tree disk of that device number when the
// machine has one, else a bare drive's disk, which reports SATA.
NtStatus SimNative::QueryDriveBus(std::size_t drive, ConstBytes in, Bytes out,
                                  std::uint32_t& returned) {
  StorageDisk bare;
  StorageDisk* disk = &bare;
  for (const SimDisk& d : machine_.deviceTree.disks) {
    if (d.device && d.device->deviceNumber == drive) disk = d.device.get();
  }
  std::uint32_t lastError = 0;
  if (disk->Control(kIoctlStorageQueryProperty, in, out, returned, lastError)) {
    return nt_status::kSuccess;
  }
  return lastError == err::kInsufficientBuffer || lastError == err::kInvalidParameter
             ? nt_status::kBufferTooSmall
             : kInvalidDeviceRequest;
}

NtStatus SimNative::FlushBuffersFile(NativeHandle handle) {
  Object* o = Find(handle);
  if (!o) return nt_status::kInvalidHandle;
  calls.push_back("NtFlushBuffersFile " + o->path);
  if (o->kind != Object::Kind::File) return kInvalidDeviceRequest;
  if (!o->canWrite) return nt_status::kAccessDenied;
  fileHandles[o->record].flushes.push_back(calls.size() - 1);
  return nt_status::kSuccess;
}

NtStatus SimNative::Close(NativeHandle handle) {
  calls.push_back("ZwClose");
  return objects_.erase(handle) ? nt_status::kSuccess : nt_status::kInvalidHandle;
}

NtStatus SimNative::OpenKey(NativeHandle& key, std::uint32_t, const char16_t* path) {
  key = 0;
  const std::string name = Narrow(Text(path));
  calls.push_back("ZwOpenKey " + name);
  if (!StartsWithIgnoreCase(name, "\\Registry\\Machine\\")) return nt_status::kObjectNameNotFound;
  const std::string sub = name.substr(18);
  if (!machine_.registry.Find(hkey::kLocalMachine, sub) ||
      machine_.registry.OpenFails(hkey::kLocalMachine, sub)) {
    return nt_status::kObjectNameNotFound;
  }
  Object o;
  o.kind = Object::Kind::Key;
  o.path = sub;
  key = Add(o);
  return nt_status::kSuccess;
}

NtStatus SimNative::QueryValueKey(NativeHandle key, const char16_t* name,
                                  std::uint32_t infoClass, void* buffer, std::uint32_t length,
                                  std::uint32_t& resultLength) {
  resultLength = 0;
  Object* o = Find(key);
  if (!o || o->kind != Object::Kind::Key) return nt_status::kInvalidHandle;
  const std::string valueName = Narrow(Text(name));
  calls.push_back("ZwQueryValueKey " + valueName);
  if (infoClass != nt_registry::kPartialInformation) return nt_status::kInvalidParameter;
  const auto* value = machine_.registry.GetValue(hkey::kLocalMachine, o->path, valueName);
  if (!value) return nt_status::kObjectNameNotFound;
  std::vector<std::uint8_t> data = value->data;
  if (IsTextType(value->type)) {
    std::vector<std::uint8_t> wide;
    for (std::uint8_t c : data) {
      wide.push_back(c);
      wide.push_back(0);
    }
    data = std::move(wide);
  }
  // KEY_VALUE_PARTIAL_INFORMATION: TitleIndex, Type, DataLength, Data.
  std::vector<std::uint8_t> reply(12 + data.size(), 0);
  le::Store32(reply.data() + 4, static_cast<std::uint32_t>(value->type));
  le::Store32(reply.data() + 8, static_cast<std::uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), reply.begin() + 12);
  resultLength = static_cast<std::uint32_t>(reply.size());
  if (length < 12) return nt_status::kBufferTooSmall;
  std::memcpy(buffer, reply.data(), std::min<std::size_t>(length, reply.size()));
  return length < reply.size() ? nt_status::kBufferOverflow : nt_status::kSuccess;
}

NtStatus SimNative::WriteRegistryValue(std::uint32_t relativeTo, const char16_t* path,
                                       const char16_t* name, std::uint32_t type,
                                       const void* data, std::uint32_t length) {
  std::string key = Narrow(Text(path));
  calls.push_back("RtlWriteRegistryValue " + key + " " + Narrow(Text(name)));
  while (!key.empty() && key.front() == '\\') key.erase(0, 1);
  switch (relativeTo) {
    case nt_registry::kAbsolute:
      if (!StartsWithIgnoreCase(key, "Registry\\Machine\\")) return nt_status::kObjectNameNotFound;
      key = key.substr(17);
      break;
    case nt_registry::kServices: key = JoinPath("SYSTEM\\CurrentControlSet\\Services", key); break;
    case nt_registry::kControl: key = JoinPath("SYSTEM\\CurrentControlSet\\Control", key); break;
    case nt_registry::kWindowsNt:
      key = JoinPath("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", key);
      break;
    default: return nt_status::kInvalidParameter;
  }
  Registry& reg = machine_.registry;
  if (!reg.Find(hkey::kLocalMachine, key) || reg.OpenFails(hkey::kLocalMachine, key)) {
    return nt_status::kObjectNameNotFound;
  }
  if (reg.WriteFails(hkey::kLocalMachine, key)) return nt_status::kAccessDenied;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> stored;
  if (IsTextType(type)) {
    for (std::uint32_t i = 0; i + 1 < length; i += 2) {
      const char16_t c = le::Load16(bytes + i);
      stored.push_back(c < 0x80 ? static_cast<std::uint8_t>(c) : '?');
    }
  } else {
    stored.assign(bytes, bytes + length);
  }
  reg.SetValue(hkey::kLocalMachine, key, Narrow(Text(name)), type, std::move(stored));
  return nt_status::kSuccess;
}

NtStatus SimNative::DisplayString(const char16_t* text) {
  console_ += Text(text);
  return nt_status::kSuccess;
}

std::string SimNative::Console() const { return Narrow(console_); }

NtStatus SimNative::DelayExecution(bool, std::int64_t interval) {
  delays.push_back(interval);
  if (interval < 0) machine_.clock.AdvanceMilliseconds(static_cast<std::uint64_t>(-interval) / 10000);
  return nt_status::kSuccess;
}

NtStatus SimNative::AdjustPrivilege(std::uint32_t privilege, bool enable, bool,
                                    bool& wasEnabled) {
  calls.push_back("RtlAdjustPrivilege " + std::to_string(privilege));
  const char* name = privilege == kSeShutdownPrivilege ? "SeShutdownPrivilege"
                     : privilege == 10                 ? "SeLoadDriverPrivilege"
                                                       : nullptr;
  if (!name) return nt_status::kPrivilegeNotHeld;
  auto it = machine_.token.privileges.find(name);
  if (it == machine_.token.privileges.end() || !it->second.held) return nt_status::kPrivilegeNotHeld;
  wasEnabled = it->second.enabled;
  it->second.enabled = enable;
  return nt_status::kSuccess;
}

NtStatus SimNative::ShutdownSystem(std::uint32_t action) {
  calls.push_back("NtShutdownSystem " + std::to_string(action));
  auto it = machine_.token.privileges.find("SeShutdownPrivilege");
  if (it == machine_.token.privileges.end() || !it->second.enabled) {
    return nt_status::kPrivilegeNotHeld;
  }
  shutdowns.push_back(action);
  machine_.restarts.push_back(RestartRequest{0x2 /* EWX_REBOOT */, 0});
  return nt_status::kSuccess;
}

NtStatus SimNative::QueryEnvironmentVariable(const char16_t* name, char16_t* value,
                                             std::uint32_t capacityBytes,
                                             std::uint32_t& lengthBytes) {
  lengthBytes = 0;
  auto it = environment.find(ToUpperAscii(Narrow(Text(name))));
  if (it == environment.end()) return nt_status::kVariableNotFound;
  const std::u16string text = Widen(it->second);
  lengthBytes = static_cast<std::uint32_t>(text.size() * 2);
  if (lengthBytes > capacityBytes) return nt_status::kBufferTooSmall;
  std::memcpy(value, text.data(), lengthBytes);
  if (lengthBytes + 2 <= capacityBytes) value[text.size()] = 0;
  return nt_status::kSuccess;
}

void* SimNative::CreateHeap(std::uint32_t, std::size_t, std::size_t) {
  calls.push_back("RtlCreateHeap");
  if (failCreateHeap) return nullptr;
  heapTokens_.push_back(std::make_unique<std::uint8_t>());
  void* heap = heapTokens_.back().get();
  heaps_[heap];
  return heap;
}

void* SimNative::AllocateHeap(void* heap, std::uint32_t flags, std::size_t size) {
  auto it = heaps_.find(heap);
  if (it == heaps_.end()) return nullptr;
  ++allocations_;
  if (failAllocation != 0 && allocations_ == failAllocation) return nullptr;
  auto block = std::make_unique<std::uint8_t[]>(size ? size : 1);
  // Memory not asked to be zeroed holds leftovers.
  std::memset(block.get(), (flags & nt_heap::kZeroMemory) ? 0 : 0xCD, size ? size : 1);
  void* p = block.get();
  it->second.blocks[p] = std::move(block);
  return p;
}

bool SimNative::FreeHeap(void* heap, std::uint32_t, void* block) {
  auto it = heaps_.find(heap);
  if (it == heaps_.end() || it->second.blocks.erase(block) == 0) {
    ++badFrees_;
    return false;
  }
  return true;
}

void* SimNative::DestroyHeap(void* heap) {
  calls.push_back("RtlDestroyHeap");
  auto it = heaps_.find(heap);
  if (it == heaps_.end()) return heap;
  leakedBlocks_ += it->second.blocks.size();
  heaps_.erase(it);
  return nullptr;
}

NtStatus SimNative::QuerySystemTime(std::int64_t& time) {
  calls.push_back("NtQuerySystemTime");
  if (failSystemTime) return nt_status::kUnsuccessful;
  time = machine_.clock.SystemTime100ns();
  return nt_status::kSuccess;
}

void SimNative::TimeToTimeFields(std::int64_t time, TimeFields& fields) {
  // Days since 1601-01-01, a Monday.
  const std::int64_t ms = time / 10000;
  const std::int64_t days = ms / 86400000;
  const std::int64_t inDay = ms % 86400000;
  fields.weekday = static_cast<std::int16_t>((days + 1) % 7);
  fields.hour = static_cast<std::int16_t>(inDay / 3600000);
  fields.minute = static_cast<std::int16_t>(inDay / 60000 % 60);
  fields.second = static_cast<std::int16_t>(inDay / 1000 % 60);
  fields.milliseconds = static_cast<std::int16_t>(inDay % 1000);
  const CivilDate date = CivilFromDays(days - kDaysFrom1601To1970);
  fields.year = static_cast<std::int16_t>(date.year);
  fields.month = static_cast<std::int16_t>(date.month);
  fields.day = static_cast<std::int16_t>(date.day);
}

void SimNative::TerminateProcess(NtStatus status) {
  calls.push_back("NtTerminateProcess");
  terminated = true;
  exitStatus = status;
}

}  // namespace qz::sim
