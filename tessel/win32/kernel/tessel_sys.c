/* tessel.sys: the device "TESSEL" for tessel.dll. */
#include <ntddk.h>

#include "kernel_device.h"
#include "tessel_hw.h"

void QzPutAdapter(void);

static LONG Handle(ULONG code, UCHAR* buffer, ULONG inLength, ULONG outLength, ULONG* information) {
  unsigned long info = 0;
  LONG status = QzTesselRequest(code, buffer, inLength, outLength, &info);
  *information = info;
  return status;
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  QzTesselRelease();
  QzPutAdapter();
  QzReleaseMappings();
  QzDeleteDevice(driver, L"TESSEL");
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  (void)registryPath;
  driver->DriverUnload = Unload;
  return QzCreateDevice(driver, L"TESSEL", Handle);
}
