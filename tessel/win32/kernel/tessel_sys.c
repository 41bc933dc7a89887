/* tessel.sys: the device "TESSEL" for tessel.dll. */
#include <ntddk.h>

#include "kernel_device.h"
#include "tessel_hw.h"

void QzPutAdapter(void);

static LONG Handle(void* owner, ULONG code, UCHAR* buffer, ULONG inLength, ULONG outLength,
                   ULONG* information) {
  unsigned long info = 0;
  LONG status = QzTesselRequest(owner, code, buffer, inLength, outLength, &info);
  *information = info;
  return status;
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  QzTesselRelease();
  QzPutAdapter();
  QzDeleteDevice(driver, L"TESSEL");
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  (void)registryPath;
  driver->DriverUnload = Unload;
  return QzCreateOwnedDevice(driver, L"TESSEL", Handle, QzTesselCleanup);
}
