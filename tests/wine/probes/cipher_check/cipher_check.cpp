// Native-subsystem check program: proves that the cipher, the flasher's key copy and the
// configuration block reader link into a CRT-free ntdll-only program, and lets the Wine
// smoke test check them on real Windows binaries.
//
// usage: cipher_check <FW.bin NT path> <output NT path>
// Prints (NtDisplayString) the FIPS-197 known answer result, the configuration block as read
// at its fixed positions, and the length and marker position of the deciphered FW.bin, which
// it also writes to the output path for the test to compare.
#include <windows.h>
#include <winternl.h>

#include "bootflash/firmware_cipher.hpp"
#include "bootflash/firmware_transform.hpp"
#include "bootflash/flasher_config.hpp"

extern "C" {
NTSTATUS NTAPI NtDisplayString(PUNICODE_STRING text);
NTSTATUS NTAPI NtReadFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID context,
                          PIO_STATUS_BLOCK io, PVOID buffer, ULONG length,
                          PLARGE_INTEGER offset, PULONG key);
NTSTATUS NTAPI NtWriteFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID context,
                           PIO_STATUS_BLOCK io, PVOID buffer, ULONG length,
                           PLARGE_INTEGER offset, PULONG key);
NTSTATUS NTAPI NtTerminateProcess(HANDLE process, NTSTATUS status);
}

namespace {

using namespace qz::bootflash;

constexpr ULONG kImageCapacity = 2u * 1024u * 1024u;
uint8_t gImage[kImageCapacity + kCipherBlockSize];

// One output line, built up in ASCII and shown as UTF-16.
struct Line {
  WCHAR text[400];
  USHORT used = 0;

  void Char(char c) {
    if (used < 398) text[used++] = static_cast<WCHAR>(static_cast<unsigned char>(c));
  }
  void Text(const char* s) {
    while (*s != '\0') Char(*s++);
  }
  void Bytes(const uint8_t* b, size_t n) {
    for (size_t i = 0; i < n; ++i) Char(static_cast<char>(b[i]));
  }
  void Number(uint32_t v) {
    char digits[10];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    while (n > 0) Char(digits[--n]);
  }
  void Show() {
    Char('\n');
    text[used] = 0;
    UNICODE_STRING s;
    s.Buffer = text;
    s.Length = static_cast<USHORT>(used * sizeof(WCHAR));
    s.MaximumLength = static_cast<USHORT>(s.Length + sizeof(WCHAR));
    NtDisplayString(&s);
    used = 0;
  }
};

bool SameBytes(const uint8_t* a, const uint8_t* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

bool KnownAnswer() {
  uint8_t key[16], plain[16], block[16];
  for (int i = 0; i < 16; ++i) {
    key[i] = static_cast<uint8_t>(i);
    plain[i] = static_cast<uint8_t>(i * 0x11);
  }
  const uint8_t expected[16] = {0x69, 0xc4, 0xe0, 0xd8, 0x6a, 0x7b, 0x04, 0x30,
                                0xd8, 0xcd, 0xb7, 0x80, 0x70, 0xb4, 0xc5, 0x5a};
  FirmwareCipher cipher;
  cipher.Init(key);
  for (int i = 0; i < 16; ++i) block[i] = plain[i];
  cipher.EncryptBlock(block);
  const bool forward = SameBytes(block, expected, 16);
  cipher.DecryptBlock(block);
  return forward && SameBytes(block, plain, 16);
}

// Splits the command line in place into at most `max` blank-separated, optionally quoted
// arguments.
int SplitArguments(WCHAR* s, size_t chars, WCHAR** args, int max) {
  int count = 0;
  size_t i = 0;
  while (i < chars && count < max) {
    while (i < chars && s[i] == L' ') ++i;
    if (i >= chars) break;
    const WCHAR end = s[i] == L'"' ? L'"' : L' ';
    if (end == L'"') ++i;
    args[count++] = s + i;
    while (i < chars && s[i] != end) ++i;
    if (i < chars) s[i++] = 0;
  }
  return count;
}

UNICODE_STRING Path(WCHAR* text) {
  UNICODE_STRING s;
  USHORT n = 0;
  while (text[n] != 0) ++n;
  s.Buffer = text;
  s.Length = static_cast<USHORT>(n * sizeof(WCHAR));
  s.MaximumLength = s.Length;
  return s;
}

NTSTATUS OpenFile(WCHAR* text, ACCESS_MASK access, ULONG disposition, HANDLE* file) {
  UNICODE_STRING path = Path(text);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  IO_STATUS_BLOCK io;
  return NtCreateFile(file, access | SYNCHRONIZE, &attributes, &io, nullptr,
                      FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, disposition,
                      FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, nullptr, 0);
}

void ShowConfig(Line& line) {
  FlasherSettings settings;
  ReadFlasherConfig(FlasherConfigBytes(), kFlasherConfigThisBuild, &settings);
  line.Text("CONFIG FLAG=");
  line.Number(settings.updateBoot ? 1 : 0);
  line.Text(" REV=[");
  line.Bytes(settings.revision, kConfigRevisionWidth);
  line.Text("] EXT=[");
  line.Bytes(settings.extension, kConfigExtensionWidth);
  line.Text("] COUNT=");
  line.Bytes(settings.countDigits, kConfigCountWidth);
  line.Text("/");
  line.Number(settings.targetCount);
  line.Show();
  for (uint32_t k = 0; k < kMaxTargetModels; ++k) {
    line.Text("CONFIG MODEL");
    line.Number(k + 1);
    line.Text("=[");
    line.Bytes(settings.models[k], kConfigModelWidth);
    line.Text("]");
    line.Show();
  }
}

void Decipher(Line& line, WCHAR* input, WCHAR* output) {
  HANDLE file;
  IO_STATUS_BLOCK io;
  NTSTATUS status = OpenFile(input, GENERIC_READ | FILE_READ_ATTRIBUTES, FILE_OPEN, &file);
  if (status < 0) {
    line.Text("FWBIN OPEN FAILED");
    line.Show();
    return;
  }
  FILE_STANDARD_INFORMATION info;
  ULONG length = 0;
  if (NtQueryInformationFile(file, &io, &info, sizeof info, FileStandardInformation) >= 0 &&
      info.EndOfFile.QuadPart <= kImageCapacity) {
    length = static_cast<ULONG>(info.EndOfFile.QuadPart);
  }
  LARGE_INTEGER offset;
  offset.QuadPart = 0;
  status = NtReadFile(file, nullptr, nullptr, nullptr, &io, gImage, length, &offset, nullptr);
  NtClose(file);
  if (status < 0 || length == 0) {
    line.Text("FWBIN READ FAILED");
    line.Show();
    return;
  }

  TransformFirmware(gImage, length, true);

  line.Text("FWBIN LENGTH=");
  line.Number(length);
  line.Text(" PROCESSED=");
  line.Number(static_cast<uint32_t>(ProcessedLength(length)));
  line.Text(" MARKER=");
  const uint8_t marker[7] = {'s', 's', 'd', 'b', 'i', 'n', 'v'};
  bool found = false;
  for (ULONG i = 0; i + 7 <= length && !found; ++i) {
    if (SameBytes(gImage + i, marker, 7)) {
      line.Number(i);
      found = true;
    }
  }
  if (!found) line.Text("NONE");
  line.Show();

  status = OpenFile(output, GENERIC_WRITE, FILE_OVERWRITE_IF, &file);
  if (status >= 0) {
    status = NtWriteFile(file, nullptr, nullptr, nullptr, &io, gImage, length, &offset, nullptr);
    NtClose(file);
  }
  line.Text(status >= 0 ? "PLAIN WRITTEN" : "PLAIN WRITE FAILED");
  line.Show();
}

}  // namespace

extern "C" void NTAPI NtProcessStartup(PPEB peb) {
  Line line;
  line.Text("CIPHER CHECK ");
  line.Number(static_cast<uint32_t>(sizeof(void*) * 8));
  line.Text("-BIT KAT=");
  line.Text(KnownAnswer() ? "OK" : "FAIL");
  line.Show();
  ShowConfig(line);

  UNICODE_STRING& command = peb->ProcessParameters->CommandLine;
  WCHAR* args[4];
  const int count = SplitArguments(command.Buffer, command.Length / sizeof(WCHAR), args, 4);
  if (count >= 3) {
    Decipher(line, args[1], args[2]);
  } else {
    line.Text("NO FWBIN ARGUMENTS");
    line.Show();
  }
  NtTerminateProcess(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)), 0);
}
