/* The test disk's optional plug-and-play presence (testdisk_pnp.c). */
#ifndef QZ_TESTDISK_PNP_H
#define QZ_TESTDISK_PNP_H

#include <ntddk.h>

NTSTATUS NTAPI QzTdPnp(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS QzTdAnnounce(PDRIVER_OBJECT driver, PDEVICE_OBJECT control);

#endif
