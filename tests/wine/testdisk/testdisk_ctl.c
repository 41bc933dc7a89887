/* The test's side of the test disk: sets the drive up before a run and writes what it
   received afterwards.
     testdisk_ctl setup N MODEL SERIAL REVISION EXTENSION [FAULT [BLOCK]]
       FAULT: none, abort-block, silent-at-block, trigger-error, silent
     testdisk_ctl dump LOG STATE IMAGE
     testdisk_ctl announce      (the disk appears to plug and play too)
   LOG gets one line per request, STATE key=value lines, IMAGE the 256 KiB the drive
   assembled. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "kernel/testdisk_api.h"

static HANDLE Open(void) {
  HANDLE h = CreateFileW(L"\\\\.\\" TD_CONTROL_NAME, GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) fprintf(stderr, "cannot open the test disk: %lu\n", GetLastError());
  return h;
}

static int Request(HANDLE h, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
                   DWORD* got) {
  DWORD ignored = 0;
  if (DeviceIoControl(h, code, in, inLength, out, outLength, got ? got : &ignored, NULL)) return 1;
  fprintf(stderr, "request %08lx failed: %lu\n", code, GetLastError());
  return 0;
}

static void Pad(char* field, size_t width, const char* text) {
  size_t n = strlen(text);
  memset(field, ' ', width);
  memcpy(field, text, n < width ? n : width);
}

static int Setup(int argc, char** argv) {
  static const char* const kFaults[] = {"none", "abort-block", "silent-at-block",
                                        "trigger-error", "silent"};
  TdSetup s;
  HANDLE h;
  int ok;
  unsigned f;
  memset(&s, 0, sizeof s);
  s.size = sizeof s;
  s.driveNumber = (uint32_t)strtoul(argv[2], NULL, 10);
  Pad(s.model, sizeof s.model, argv[3]);
  Pad(s.serial, sizeof s.serial, argv[4]);
  Pad(s.revision, sizeof s.revision, argv[5]);
  Pad(s.extension, sizeof s.extension, argv[6]);
  if (argc > 7) {
    for (f = 0; f < sizeof kFaults / sizeof kFaults[0]; ++f) {
      if (strcmp(argv[7], kFaults[f]) == 0) break;
    }
    if (f == sizeof kFaults / sizeof kFaults[0]) {
      fprintf(stderr, "unknown fault %s\n", argv[7]);
      return 2;
    }
    s.fault = f;
    if (argc > 8) s.faultBlock = (uint32_t)strtoul(argv[8], NULL, 10);
  }
  if ((h = Open()) == INVALID_HANDLE_VALUE) return 1;
  ok = Request(h, TD_IOCTL_SETUP, &s, sizeof s, NULL, 0, NULL);
  CloseHandle(h);
  return ok ? 0 : 1;
}

static void WriteEntry(FILE* out, const TdLogEntry* e) {
  const uint8_t* r = e->regs;
  if (e->code != 0x0004D02Cu) {
    fprintf(out, "ioctl=%08lX in=%u out=%lu -> %08lX\n", (unsigned long)e->code, e->header,
            (unsigned long)e->length, (unsigned long)e->ntStatus);
    return;
  }
  fprintf(out,
          "ata layout=%u header=%u flags=%02X length=%lu offset=%lu timeout=%lu "
          "regs=%02X %02X %02X %02X %02X %02X %02X -> ",
          e->layout, e->header, e->flags, (unsigned long)e->length,
          (unsigned long)e->dataOffset, (unsigned long)e->timeout, r[0], r[1], r[2], r[3], r[4],
          r[5], r[6]);
  if (e->ntStatus == 0) {
    fprintf(out, "status=%02X error=%02X\n", e->result[6], e->result[0]);
  } else if (e->ntStatus == 0xC00000B5u) {
    fprintf(out, "no answer\n");
  } else {
    fprintf(out, "rejected %08lX\n", (unsigned long)e->ntStatus);
  }
}

static int Dump(char** argv) {
  static TdLogEntry entries[256];
  static uint8_t image[TD_IMAGE_BYTES];
  TdState state;
  HANDLE h;
  FILE *log, *st, *img;
  uint32_t first = 0, offset = 0;
  DWORD got = 0, i;
  if ((h = Open()) == INVALID_HANDLE_VALUE) return 1;
  if (!Request(h, TD_IOCTL_STATE, NULL, 0, &state, sizeof state, &got) || got != sizeof state) {
    CloseHandle(h);
    return 1;
  }
  log = fopen(argv[2], "w");
  st = fopen(argv[3], "w");
  img = fopen(argv[4], "wb");
  if (!log || !st || !img) {
    fprintf(stderr, "cannot write the dump files\n");
    return 1;
  }
  fprintf(st, "requests=%lu\nkept=%lu\nactivated=%lu\ntrigger=%02lX %02lX\nblocks=%lu\n",
          (unsigned long)state.logCount,
          (unsigned long)(state.logCount < TD_LOG_ENTRIES ? state.logCount : TD_LOG_ENTRIES),
          (unsigned long)state.activated, (unsigned long)state.triggerMid,
          (unsigned long)state.triggerHigh, (unsigned long)state.blocksReceived);
  do {
    if (!Request(h, TD_IOCTL_LOG, &first, sizeof first, entries, sizeof entries, &got)) return 1;
    for (i = 0; i < got / sizeof entries[0]; ++i) WriteEntry(log, &entries[i]);
    first += got / sizeof entries[0];
  } while (got);
  while (offset < TD_IMAGE_BYTES) {
    uint32_t at = offset;
    if (!Request(h, TD_IOCTL_IMAGE, &at, sizeof at, image + offset, 32768, &got) || !got) return 1;
    offset += got;
  }
  fwrite(image, 1, sizeof image, img);
  fclose(log);
  fclose(st);
  fclose(img);
  CloseHandle(h);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 7 && argc <= 9 && strcmp(argv[1], "setup") == 0) return Setup(argc, argv);
  if (argc == 5 && strcmp(argv[1], "dump") == 0) return Dump(argv);
  if (argc == 2 && strcmp(argv[1], "announce") == 0) {
    HANDLE h = Open();
    int ok = h != INVALID_HANDLE_VALUE && Request(h, TD_IOCTL_ANNOUNCE, NULL, 0, NULL, 0, NULL);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return ok ? 0 : 1;
  }
  fprintf(stderr,
          "usage: testdisk_ctl setup N MODEL SERIAL REVISION EXTENSION [FAULT [BLOCK]]\n"
          "       testdisk_ctl dump LOG STATE IMAGE\n"
          "       testdisk_ctl announce\n");
  return 2;
}
