#include "kernel_device.h"

static QzRequestHandler gHandler;
static KMUTEX gRequestLock;

/* S-1-5-18 (LocalSystem) and S-1-5-32-544 (Administrators), in the SID's own layout. */
static const UCHAR kSystemSid[12] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
static const UCHAR kAdminsSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

/* The physical-memory and port interfaces must not be handed to every user: the device gets
   a DACL that admits SYSTEM and Administrators only. Without it the device is not offered. */
static NTSTATUS Secure(PDEVICE_OBJECT device) {
  static SECURITY_DESCRIPTOR sd;
  static ULONG aclBuffer[32];
  PACL acl = (PACL)aclBuffer;
  NTSTATUS status = RtlCreateSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  if (!NT_SUCCESS(status)) return status;
  status = RtlCreateAcl(acl, sizeof(aclBuffer), ACL_REVISION);
  if (!NT_SUCCESS(status)) return status;
  status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, (PSID)kSystemSid);
  if (!NT_SUCCESS(status)) return status;
  status = RtlAddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, (PSID)kAdminsSid);
  if (!NT_SUCCESS(status)) return status;
  status = RtlSetDaclSecurityDescriptor(&sd, TRUE, acl, FALSE);
  if (!NT_SUCCESS(status)) return status;
  {
    HANDLE handle = NULL;
    status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, NULL, WRITE_DAC, NULL, KernelMode,
                                   &handle);
    if (!NT_SUCCESS(status)) return status;
    status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, &sd);
    ZwClose(handle);
  }
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

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG information = 0;
  NTSTATUS status;
  (void)device;
  KeWaitForSingleObject(&gRequestLock, Executive, KernelMode, FALSE, NULL);
  status = gHandler(stack->Parameters.DeviceIoControl.IoControlCode,
                    (UCHAR*)irp->AssociatedIrp.SystemBuffer,
                    stack->Parameters.DeviceIoControl.InputBufferLength,
                    stack->Parameters.DeviceIoControl.OutputBufferLength, &information);
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

NTSTATUS QzCreateDevice(PDRIVER_OBJECT driver, PCWSTR name, QzRequestHandler handler) {
  WCHAR deviceBuffer[64], linkBuffer[64];
  UNICODE_STRING deviceName, linkName;
  PDEVICE_OBJECT device = NULL;
  NTSTATUS status;

  gHandler = handler;
  KeInitializeMutex(&gRequestLock, 0);
  Names(name, &deviceName, deviceBuffer, &linkName, linkBuffer);
  status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN,
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
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
  return STATUS_SUCCESS;
}

void QzDeleteDevice(PDRIVER_OBJECT driver, PCWSTR name) {
  WCHAR deviceBuffer[64], linkBuffer[64];
  UNICODE_STRING deviceName, linkName;
  Names(name, &deviceName, deviceBuffer, &linkName, linkBuffer);
  IoDeleteSymbolicLink(&linkName);
  if (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
}
