#include "kernel_device.h"

#include "tessel/driver/device_security.h"

/* The portable descriptor speaks the kernel's language. */
C_ASSERT(SE_DACL_PRESENT == 0x0004 && SE_SELF_RELATIVE == 0x8000);
C_ASSERT(FILE_ALL_ACCESS == 0x001F01FF && ACCESS_ALLOWED_ACE_TYPE == 0 && ACL_REVISION == 2);
C_ASSERT(FILE_DEVICE_SECURE_OPEN == 0x100);

static QzRequestHandler gHandler;
static QzOwnedRequestHandler gOwnedHandler;
static QzCleanupHandler gCleanup;
static KMUTEX gRequestLock;

/* The physical-memory and port interfaces must not be handed to every user: the device gets
   the access list of QzDeviceSecurityDescriptor (SYSTEM and Administrators only). Without it
   the device is not offered. */
C_ASSERT(QZ_DEVICE_SECURITY_SIZE % 4 == 0);

static NTSTATUS Secure(PDEVICE_OBJECT device) {
  static ULONG descriptor[QZ_DEVICE_SECURITY_SIZE / 4];
  HANDLE handle = NULL;
  NTSTATUS status;
  if (QzDeviceSecurityDescriptor((unsigned char*)descriptor, sizeof(descriptor)) == 0) {
    return STATUS_UNSUCCESSFUL;
  }
  status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode,
                                 &handle);
  if (!NT_SUCCESS(status)) return status;
  status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, (PSECURITY_DESCRIPTOR)descriptor);
  ZwClose(handle);
  return status;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp) {
  (void)device;
  return Complete(irp, STATUS_SUCCESS, 0);
}

/* The last handle of a file object is gone: the I/O manager sends this in the context of the
   closing thread, so what the handle left in its process can still be undone there. */
static NTSTATUS NTAPI DispatchCleanup(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  (void)device;
  if (gCleanup) {
    KeWaitForSingleObject(&gRequestLock, Executive, KernelMode, FALSE, NULL);
    gCleanup(stack->FileObject);
    KeReleaseMutex(&gRequestLock, FALSE);
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG information = 0;
  NTSTATUS status;
  (void)device;
  KeWaitForSingleObject(&gRequestLock, Executive, KernelMode, FALSE, NULL);
  if (gOwnedHandler) {
    status = gOwnedHandler(stack->FileObject, stack->Parameters.DeviceIoControl.IoControlCode,
                           (UCHAR*)irp->AssociatedIrp.SystemBuffer,
                           stack->Parameters.DeviceIoControl.InputBufferLength,
                           stack->Parameters.DeviceIoControl.OutputBufferLength, &information);
  } else {
    status = gHandler(stack->Parameters.DeviceIoControl.IoControlCode,
                      (UCHAR*)irp->AssociatedIrp.SystemBuffer,
                      stack->Parameters.DeviceIoControl.InputBufferLength,
                      stack->Parameters.DeviceIoControl.OutputBufferLength, &information);
  }
  KeReleaseMutex(&gRequestLock, FALSE);
  return Complete(irp, status, NT_SUCCESS(status) ? information : 0);
}

static void Names(PCWSTR name, UNICODE_STRING* device, WCHAR* deviceBuffer, UNICODE_STRING* link,
                  WCHAR* linkBuffer) {
  static const WCHAR kDevice[] = L"\\Device\\";
  static const WCHAR kLink[] = L"\\DosDevices\\";
  int i = 0, j = 0;
  for (i = 0; kDevice[i]; ++i) deviceBuffer[i] = kDevice[i];
  for (j = 0; name[j] && j < 32; ++j) deviceBuffer[i + j] = name[j];
  deviceBuffer[i + j] = 0;
  for (i = 0; kLink[i]; ++i) linkBuffer[i] = kLink[i];
  for (j = 0; name[j] && j < 32; ++j) linkBuffer[i + j] = name[j];
  linkBuffer[i + j] = 0;
  RtlInitUnicodeString(device, deviceBuffer);
  RtlInitUnicodeString(link, linkBuffer);
}

static NTSTATUS CreateDevice(PDRIVER_OBJECT driver, PCWSTR name) {
  WCHAR deviceBuffer[64], linkBuffer[64];
  UNICODE_STRING deviceName, linkName;
  PDEVICE_OBJECT device = NULL;
  NTSTATUS status;

  KeInitializeMutex(&gRequestLock, 0);
  Names(name, &deviceName, deviceBuffer, &linkName, linkBuffer);
  status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, QzDeviceCharacteristics(),
                          FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  status = Secure(device);
  if (NT_SUCCESS(status)) status = IoCreateSymbolicLink(&linkName, &deviceName);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
  driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
  return STATUS_SUCCESS;
}

NTSTATUS QzCreateDevice(PDRIVER_OBJECT driver, PCWSTR name, QzRequestHandler handler) {
  gHandler = handler;
  return CreateDevice(driver, name);
}

NTSTATUS QzCreateOwnedDevice(PDRIVER_OBJECT driver, PCWSTR name, QzOwnedRequestHandler handler,
                             QzCleanupHandler cleanup) {
  gOwnedHandler = handler;
  gCleanup = cleanup;
  return CreateDevice(driver, name);
}

void QzDeleteDevice(PDRIVER_OBJECT driver, PCWSTR name) {
  WCHAR deviceBuffer[64], linkBuffer[64];
  UNICODE_STRING deviceName, linkName;
  Names(name, &deviceName, deviceBuffer, &linkName, linkBuffer);
  IoDeleteSymbolicLink(&linkName);
  if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
}
