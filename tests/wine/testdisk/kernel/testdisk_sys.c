/* qztestdisk.sys: one test disk for the Wine test prefixes. The device answers as a disk's
   port driver would (test_port.c) under the name \DosDevices\PhysicalDrive<n> that the
   test's setup request chooses, and under the control name for the test's own requests. */
#include <ntddk.h>
#include <ntddscsi.h>
#include <ntddstor.h>

#include "test_port.h"
#include "testdisk_api.h"
#include "testdisk_pnp.h"

#ifdef _WIN64
_Static_assert(sizeof(ATA_PASS_THROUGH_EX) == sizeof(TdAtaPassThrough64), "layout");
_Static_assert(FIELD_OFFSET(ATA_PASS_THROUGH_EX, CurrentTaskFile) ==
                   FIELD_OFFSET(TdAtaPassThrough64, CurrentTaskFile), "layout");
#else
_Static_assert(sizeof(ATA_PASS_THROUGH_EX) == sizeof(TdAtaPassThrough32), "layout");
_Static_assert(FIELD_OFFSET(ATA_PASS_THROUGH_EX, CurrentTaskFile) ==
                   FIELD_OFFSET(TdAtaPassThrough32, CurrentTaskFile), "layout");
#endif
_Static_assert(IOCTL_ATA_PASS_THROUGH == TD_IOCTL_ATA_PASS_THROUGH, "code");
_Static_assert(IOCTL_SCSI_GET_ADDRESS == TD_IOCTL_SCSI_GET_ADDRESS, "code");
_Static_assert(IOCTL_STORAGE_QUERY_PROPERTY == TD_IOCTL_STORAGE_QUERY_PROPERTY, "code");
_Static_assert(IOCTL_STORAGE_GET_DEVICE_NUMBER == TD_IOCTL_STORAGE_GET_DEVICE_NUMBER, "code");

static const ULONG kPoolTag = 0x6B645451; /* "QTdk" */
static TdDisk* gDisk;
static KMUTEX gLock;
static WCHAR gDiskLink[48];
static UNICODE_STRING gDiskLinkName;
static int gLinked;
static PDEVICE_OBJECT gControlDevice;

static const WCHAR kDeviceName[] = L"\\Device\\" TD_CONTROL_NAME;
static const WCHAR kControlLink[] = L"\\DosDevices\\" TD_CONTROL_NAME;

static void Unlink(void) {
  if (gLinked) IoDeleteSymbolicLink(&gDiskLinkName);
  gLinked = 0;
}

/* \DosDevices\PhysicalDrive<n> for the drive the setup names. */
static NTSTATUS Link(ULONG number) {
  static const WCHAR kPrefix[] = L"\\DosDevices\\PhysicalDrive";
  UNICODE_STRING device;
  WCHAR digits[12];
  int i = 0, n = 0;
  Unlink();
  for (i = 0; kPrefix[i]; ++i) gDiskLink[i] = kPrefix[i];
  do {
    digits[n++] = (WCHAR)(L'0' + number % 10);
    number /= 10;
  } while (number);
  while (n) gDiskLink[i++] = digits[--n];
  gDiskLink[i] = 0;
  RtlInitUnicodeString(&gDiskLinkName, gDiskLink);
  RtlInitUnicodeString(&device, kDeviceName);
  if (!NT_SUCCESS(IoCreateSymbolicLink(&gDiskLinkName, &device))) return STATUS_OBJECT_NAME_COLLISION;
  gLinked = 1;
  return STATUS_SUCCESS;
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

static NTSTATUS Setup(const UCHAR* buffer, ULONG inLength) {
  TdSetup setup;
  if (inLength != sizeof setup) return STATUS_INVALID_PARAMETER;
  RtlCopyMemory(&setup, buffer, sizeof setup);
  if (setup.size != sizeof setup || setup.driveNumber > 99) return STATUS_INVALID_PARAMETER;
  TdDiskSetUp(gDisk, &setup);
  return Link(setup.driveNumber);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  const ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  const ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  UCHAR* buffer = (UCHAR*)irp->AssociatedIrp.SystemBuffer;
  uint32_t information = 0;
  NTSTATUS status;
  int callerIs32 = 1;
#ifdef _WIN64
  callerIs32 = IoIs32bitProcess(irp) ? 1 : 0;
#endif
  KeWaitForSingleObject(&gLock, Executive, KernelMode, FALSE, NULL);
  if (code == TD_IOCTL_SETUP) {
    status = Setup(buffer, inLength);
  } else if (code == TD_IOCTL_ANNOUNCE) {
    status = QzTdAnnounce(device->DriverObject, gControlDevice);
  } else {
    status = (NTSTATUS)TdDiskControl(gDisk, code, buffer, inLength, outLength, callerIs32,
                                     &information);
  }
  KeReleaseMutex(&gLock, FALSE);
  return Complete(irp, status, NT_SUCCESS(status) ? information : 0);
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING control;
  PDEVICE_OBJECT device, next;
  RtlInitUnicodeString(&control, kControlLink);
  Unlink();
  IoDeleteSymbolicLink(&control);
  for (device = driver->DeviceObject; device; device = next) {
    next = device->NextDevice;
    IoDeleteDevice(device);
  }
  if (gDisk) ExFreePoolWithTag(gDisk, kPoolTag);
  gDisk = NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNICODE_STRING deviceName, control;
  PDEVICE_OBJECT device = NULL;
  NTSTATUS status;
  (void)registryPath;
  gDisk = (TdDisk*)ExAllocatePoolWithTag(NonPagedPool, sizeof *gDisk, kPoolTag);
  if (!gDisk) return STATUS_INSUFFICIENT_RESOURCES;
  RtlZeroMemory(gDisk, sizeof *gDisk);
  KeInitializeMutex(&gLock, 0);
  RtlInitUnicodeString(&deviceName, kDeviceName);
  RtlInitUnicodeString(&control, kControlLink);
  status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_DISK, 0, FALSE, &device);
  if (NT_SUCCESS(status)) {
    status = IoCreateSymbolicLink(&control, &deviceName);
    if (!NT_SUCCESS(status)) IoDeleteDevice(device);
  }
  if (!NT_SUCCESS(status)) {
    ExFreePoolWithTag(gDisk, kPoolTag);
    gDisk = NULL;
    return status;
  }
  driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
  driver->MajorFunction[IRP_MJ_PNP] = QzTdPnp;
  driver->DriverUnload = Unload;
  gControlDevice = device;
  return STATUS_SUCCESS;
}
