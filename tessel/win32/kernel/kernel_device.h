/* The kernel side shared by both drivers: a named device with its symbolic link, open only
   to SYSTEM and Administrators, and METHOD_BUFFERED requests handed to portable code. */
#ifndef QZ_KERNEL_DEVICE_H
#define QZ_KERNEL_DEVICE_H

#include <ntifs.h>

/* The portable request handling of one driver: status and the bytes of output. */
typedef LONG (*QzRequestHandler)(ULONG code, UCHAR* buffer, ULONG inLength, ULONG outLength,
                                 ULONG* information);

/* Creates \Device\<name> and \DosDevices\<name> and installs the dispatch routines. */
NTSTATUS QzCreateDevice(PDRIVER_OBJECT driver, PCWSTR name, QzRequestHandler handler);

/* The same for a driver that keeps something per open handle: each request names its file
   object, and cleanup runs (in the closing process) when the last handle of one is closed. */
typedef LONG (*QzOwnedRequestHandler)(void* owner, ULONG code, UCHAR* buffer, ULONG inLength,
                                      ULONG outLength, ULONG* information);
typedef void (*QzCleanupHandler)(void* owner);
NTSTATUS QzCreateOwnedDevice(PDRIVER_OBJECT driver, PCWSTR name, QzOwnedRequestHandler handler,
                             QzCleanupHandler cleanup);
void QzDeleteDevice(PDRIVER_OBJECT driver, PCWSTR name);

#endif
