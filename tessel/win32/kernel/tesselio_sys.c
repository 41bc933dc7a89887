/* tesselio.sys: the device "TESSELIO" for tesselio.dll: port I/O and the BIOS parallel-port table. */
#include <ntddk.h>

#include "kernel_device.h"

long QzPortRequest(unsigned long code, unsigned char* buffer, unsigned long inLength,
                   unsigned long outLength, unsigned long* information);

unsigned QzInPort(unsigned short port, unsigned width) {
  PUCHAR p = (PUCHAR)(ULONG_PTR)port;
  if (width == 1) return READ_PORT_UCHAR(p);
  if (width == 2) return READ_PORT_USHORT((PUSHORT)p);
  return READ_PORT_ULONG((PULONG)p);
}

void QzOutPort(unsigned short port, unsigned width, unsigned value) {
  PUCHAR p = (PUCHAR)(ULONG_PTR)port;
  if (width == 1) WRITE_PORT_UCHAR(p, (UCHAR)value);
  else if (width == 2) WRITE_PORT_USHORT((PUSHORT)p, (USHORT)value);
  else WRITE_PORT_ULONG((PULONG)p, value);
}

int QzReadLowMemoryWord(unsigned address, unsigned short* value) {
  PHYSICAL_ADDRESS at;
  PVOID p;
  at.QuadPart = address;
  p = MmMapIoSpace(at, 2, MmNonCached);
  if (!p) return 0;
  *value = READ_REGISTER_USHORT((PUSHORT)p);
  MmUnmapIoSpace(p, 2);
  return 1;
}

static LONG Handle(ULONG code, UCHAR* buffer, ULONG inLength, ULONG outLength, ULONG* information) {
  unsigned long info = 0;
  LONG status = QzPortRequest(code, buffer, inLength, outLength, &info);
  *information = info;
  return status;
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) { QzDeleteDevice(driver, L"TESSELIO"); }

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  (void)registryPath;
  driver->DriverUnload = Unload;
  return QzCreateDevice(driver, L"TESSELIO", Handle);
}
