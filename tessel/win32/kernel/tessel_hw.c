#include <ntifs.h>

#include "tessel_hw.h"

int QzReadPhysical(unsigned address, unsigned width, unsigned* value) {
  PHYSICAL_ADDRESS at;
  PVOID p;
  at.QuadPart = address;
  p = MmMapIoSpace(at, width, MmNonCached);
  if (!p) return 0;
  if (width == 1) *value = READ_REGISTER_UCHAR((PUCHAR)p);
  else if (width == 2) *value = READ_REGISTER_USHORT((PUSHORT)p);
  else *value = READ_REGISTER_ULONG((PULONG)p);
  MmUnmapIoSpace(p, width);
  return 1;
}

int QzWritePhysical(unsigned address, unsigned width, unsigned value) {
  PHYSICAL_ADDRESS at;
  PVOID p;
  at.QuadPart = address;
  p = MmMapIoSpace(at, width, MmNonCached);
  if (!p) return 0;
  if (width == 1) WRITE_REGISTER_UCHAR((PUCHAR)p, (UCHAR)value);
  else if (width == 2) WRITE_REGISTER_USHORT((PUSHORT)p, (USHORT)value);
  else WRITE_REGISTER_ULONG((PULONG)p, value);
  MmUnmapIoSpace(p, width);
  return 1;
}

static ULONG Slot(unsigned slot, unsigned function) { return (slot & 31u) | ((function & 7u) << 5); }

unsigned QzReadConfig(unsigned bus, unsigned slot, unsigned function, unsigned offset,
                      unsigned char* buffer, unsigned length) {
  return HalGetBusDataByOffset(PCIConfiguration, bus, Slot(slot, function), buffer, offset, length);
}

unsigned QzWriteConfig(unsigned bus, unsigned slot, unsigned function, unsigned offset,
                       const unsigned char* buffer, unsigned length) {
  return HalSetBusDataByOffset(PCIConfiguration, bus, Slot(slot, function), (PVOID)buffer, offset,
                               length);
}

/* Views of \Device\PhysicalMemory in the calling process; the table of who holds which is
   the portable request handling's. */
int QzMapView(unsigned physical, unsigned length, unsigned long long* view, unsigned* linear) {
  UNICODE_STRING name;
  OBJECT_ATTRIBUTES attributes;
  HANDLE section = NULL;
  PVOID base = NULL;
  SIZE_T size;
  LARGE_INTEGER offset;
  NTSTATUS status;
  unsigned pageOffset = physical & 0xFFFu;

  RtlInitUnicodeString(&name, L"\\Device\\PhysicalMemory");
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
  status = ZwOpenSection(&section, SECTION_ALL_ACCESS, &attributes);
  if (!NT_SUCCESS(status)) return 0;
  offset.QuadPart = physical - pageOffset;
  size = (SIZE_T)length + pageOffset;
  status = ZwMapViewOfSection(section, NtCurrentProcess(), &base, 0, size, &offset, &size,
                              ViewShare, 0, PAGE_READWRITE | PAGE_NOCACHE);
  ZwClose(section);
  if (!NT_SUCCESS(status)) return 0;
  /* The reply has 32 bits for the address: a view a 64-bit caller got above 4 GiB is undone. */
  if ((ULONG_PTR)base + pageOffset > 0xFFFFFFFFu) {
    ZwUnmapViewOfSection(NtCurrentProcess(), base);
    return 0;
  }
  *view = (unsigned long long)(ULONG_PTR)base;
  *linear = (unsigned)(ULONG_PTR)base + pageOffset;
  return 1;
}

/* The view lives in the process that mapped it; clean-up may run in another one (the last
   handle closed where it was passed to), so it attaches there for the unmap. A process that
   has ended has no views left, and the memory manager refuses the unmap. */
void QzUnmapView(unsigned long long process, unsigned long long view) {
  PEPROCESS owner = (PEPROCESS)(ULONG_PTR)process;
  KAPC_STATE state;
  if (owner == PsGetCurrentProcess()) {
    ZwUnmapViewOfSection(NtCurrentProcess(), (PVOID)(ULONG_PTR)view);
    return;
  }
  KeStackAttachProcess((PKPROCESS)owner, &state);
  ZwUnmapViewOfSection(NtCurrentProcess(), (PVOID)(ULONG_PTR)view);
  KeUnstackDetachProcess(&state);
}

/* A process is named by its object, not its number: with a reference held the object, and
   so the name, cannot pass to a new process. */
unsigned long long QzCurrentProcess(void) { return (unsigned long long)(ULONG_PTR)PsGetCurrentProcess(); }

unsigned long long QzReferenceCurrentProcess(void) {
  PEPROCESS process = PsGetCurrentProcess();
  ObReferenceObject(process);
  return (unsigned long long)(ULONG_PTR)process;
}

void QzReleaseProcess(unsigned long long process) { ObDereferenceObject((PVOID)(ULONG_PTR)process); }

static PDMA_ADAPTER gAdapter;
static PVOID gCommon;
static PHYSICAL_ADDRESS gCommonLogical;
static ULONG gCommonSize;

#define QZ_MAX_COMMON_BUFFER 0x100000

int QzAllocateCommonBuffer(unsigned size, unsigned long long* physical,
                           unsigned long long* kernelAddress) {
  if (size > QZ_MAX_COMMON_BUFFER) return 0;
  if (!gAdapter) {
    DEVICE_DESCRIPTION d;
    ULONG registers = 0;
    RtlZeroMemory(&d, sizeof(d));
    d.Version = DEVICE_DESCRIPTION_VERSION;
    d.Master = TRUE;
    d.Dma32BitAddresses = TRUE;
    d.InterfaceType = PCIBus;
    d.MaximumLength = QZ_MAX_COMMON_BUFFER;
    gAdapter = IoGetDmaAdapter(NULL, &d, &registers);
    if (!gAdapter) return 0;
  }
  gCommon = gAdapter->DmaOperations->AllocateCommonBuffer(gAdapter, size, &gCommonLogical, FALSE);
  if (!gCommon) return 0;
  gCommonSize = size;
  *physical = (unsigned long long)gCommonLogical.QuadPart;
  *kernelAddress = (unsigned long long)(ULONG_PTR)gCommon;
  return 1;
}

void QzFreeCommonBuffer(void) {
  if (gCommon && gAdapter) {
    gAdapter->DmaOperations->FreeCommonBuffer(gAdapter, gCommonSize, gCommonLogical, gCommon, FALSE);
  }
  gCommon = NULL;
  gCommonSize = 0;
}

void QzPutAdapter(void) {
  if (gAdapter) gAdapter->DmaOperations->PutDmaAdapter(gAdapter);
  gAdapter = NULL;
}
