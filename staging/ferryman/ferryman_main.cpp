// Ferryman.exe: the 64-bit copy helper. Linked against msvcrt.dll and kernel32.dll only, with
// no start-up files: the entry point is ours.
#include <stddef.h>

#include "staging/ferryman/ferry_copy.hpp"

extern "C" {
struct FILE;
FILE* fopen(const char*, const char*);
int fclose(FILE*);
int fseek(FILE*, long, int);
long ftell(FILE*);
size_t fread(void*, size_t, size_t, FILE*);
size_t fwrite(const void*, size_t, size_t, FILE*);
int remove(const char*);
void* malloc(size_t);
void free(void*);
__declspec(dllimport) unsigned int __stdcall GetWindowsDirectoryA(char*, unsigned int);
__declspec(dllimport) unsigned int __stdcall GetSystemDirectoryA(char*, unsigned int);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int);
}

namespace {

struct CrtIo {
  static bool Directory(unsigned int (__stdcall* get)(char*, unsigned int), char* buffer,
                        size_t size) {
    const unsigned int n = get(buffer, static_cast<unsigned int>(size));
    return n != 0 && n < size;
  }
  bool WindowsDirectory(char* buffer, size_t size) { return Directory(GetWindowsDirectoryA, buffer, size); }
  bool SystemDirectory(char* buffer, size_t size) { return Directory(GetSystemDirectoryA, buffer, size); }

  unsigned char* ReadWhole(const char* path, size_t* length) {
    FILE* f = fopen(path, "rb");
    if (!f) return nullptr;
    unsigned char* data = nullptr;
    long size = -1;
    if (fseek(f, 0, 2) == 0) size = ftell(f);
    if (size >= 0 && fseek(f, 0, 0) == 0) {
      data = static_cast<unsigned char*>(malloc(size > 0 ? static_cast<size_t>(size) : 1));
      if (data && fread(data, 1, static_cast<size_t>(size), f) != static_cast<size_t>(size)) {
        free(data);
        data = nullptr;
      }
    }
    fclose(f);
    if (data) *length = static_cast<size_t>(size);
    return data;
  }
  void Release(unsigned char* data) { free(data); }
  void Delete(const char* path) { remove(path); }
  bool WriteWhole(const char* path, const unsigned char* data, size_t length) {
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    const bool written = fwrite(data, 1, length, f) == length;
    return (fclose(f) == 0) && written;
  }
};

}  // namespace

extern "C" void entry() {
  // Four path buffers of 32767 characters: from the heap, neither the stack nor the file.
  constexpr size_t n = qz::ferry::kPathChars;
  char* buffers = static_cast<char*>(malloc(4 * n));
  if (!buffers) {
    ExitProcess(qz::ferry::kFailed);
    return;
  }
  CrtIo io;
  const int result = qz::ferry::RunFerry(io, buffers, buffers + n, buffers + 2 * n, buffers + 3 * n);
  free(buffers);
  ExitProcess(static_cast<unsigned int>(result));
}
