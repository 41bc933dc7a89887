/* On request, the test disk also appears as a plug-and-play disk: a child device the control
   device reports as its bus relation, with a disk-class device interface, so that the Setup
   API lists it the way it lists a real disk. Wine enumerates the child and starts it. */
#include <ntddk.h>

#include "testdisk_pnp.h"

/* GUID_DEVINTERFACE_DISK */
static const GUID kDiskInterface = {0x53f56307, 0xb6bf, 0x11d0,
                                    {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
static const ULONG kPoolTag = 0x70645451; /* "QTdp" */

static PDEVICE_OBJECT gControl, gChild;
static UNICODE_STRING gInterface;

/* A pool copy of a string of `chars` characters (NULs inside kept for multi-strings). */
static WCHAR* PoolText(const WCHAR* text, ULONG chars) {
  WCHAR* copy = (WCHAR*)ExAllocatePoolWithTag(PagedPool, chars * sizeof(WCHAR), kPoolTag);
  if (copy) RtlCopyMemory(copy, text, chars * sizeof(WCHAR));
  return copy;
}

static NTSTATUS QueryId(PIO_STACK_LOCATION stack, ULONG_PTR* information) {
  static const WCHAR kDevice[] = L"IDE\\DiskQZTESTDISK";
  static const WCHAR kInstance[] = L"0";
  static const WCHAR kHardware[] = L"IDE\\DiskQZTESTDISK\0GenDisk\0";
  static const WCHAR kCompatible[] = L"GenDisk\0";
  const WCHAR* text;
  ULONG chars;
  switch (stack->Parameters.QueryId.IdType) {
    case BusQueryDeviceID: text = kDevice; chars = ARRAYSIZE(kDevice); break;
    case BusQueryInstanceID: text = kInstance; chars = ARRAYSIZE(kInstance); break;
    case BusQueryHardwareIDs: text = kHardware; chars = ARRAYSIZE(kHardware); break;
    case BusQueryCompatibleIDs: text = kCompatible; chars = ARRAYSIZE(kCompatible); break;
    default: return STATUS_NOT_SUPPORTED;
  }
  *information = (ULONG_PTR)PoolText(text, chars);
  return *information ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

NTSTATUS NTAPI QzTdPnp(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status = irp->IoStatus.Status;
  ULONG_PTR information = irp->IoStatus.Information;
  if (device == gControl && stack->MinorFunction == IRP_MN_QUERY_DEVICE_RELATIONS &&
      stack->Parameters.QueryDeviceRelations.Type == BusRelations) {
    DEVICE_RELATIONS* relations =
        (DEVICE_RELATIONS*)ExAllocatePoolWithTag(PagedPool, sizeof *relations, kPoolTag);
    if (relations) {
      relations->Count = gChild ? 1 : 0;
      if (gChild) {
        relations->Objects[0] = gChild;
        ObReferenceObject(gChild);
      }
      information = (ULONG_PTR)relations;
      status = STATUS_SUCCESS;
    } else {
      status = STATUS_INSUFFICIENT_RESOURCES;
    }
  } else if (device == gChild) {
    switch (stack->MinorFunction) {
      case IRP_MN_QUERY_ID:
        status = QueryId(stack, &information);
        break;
      case IRP_MN_QUERY_CAPABILITIES:
        stack->Parameters.DeviceCapabilities.Capabilities->RawDeviceOK = 1;
        stack->Parameters.DeviceCapabilities.Capabilities->SurpriseRemovalOK = 1;
        status = STATUS_SUCCESS;
        break;
      case IRP_MN_START_DEVICE:
        status = IoRegisterDeviceInterface(gChild, &kDiskInterface, NULL, &gInterface);
        if (NT_SUCCESS(status)) status = IoSetDeviceInterfaceState(&gInterface, TRUE);
        break;
      case IRP_MN_SURPRISE_REMOVAL:
      case IRP_MN_REMOVE_DEVICE:
        if (gInterface.Buffer) IoSetDeviceInterfaceState(&gInterface, FALSE);
        status = STATUS_SUCCESS;
        break;
      default:
        break;
    }
  }
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS QzTdAnnounce(PDRIVER_OBJECT driver, PDEVICE_OBJECT control) {
  UNICODE_STRING name;
  NTSTATUS status;
  gControl = control;
  if (gChild) return STATUS_SUCCESS;
  RtlInitUnicodeString(&name, L"\\Device\\QzTestDiskPnp");
  status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_DISK, 0, FALSE, &gChild);
  if (!NT_SUCCESS(status)) return status;
  gChild->Flags &= ~DO_DEVICE_INITIALIZING;
  IoInvalidateDeviceRelations(control, BusRelations);
  return STATUS_SUCCESS;
}
