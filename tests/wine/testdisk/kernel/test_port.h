/* The disk side of the test driver: the control requests a disk's port driver answers
   (ATA pass-through in both caller layouts, SCSI address, storage property, device number),
   decoded from the Windows structures' bytes, the drive behind them, and the record the test
   reads back through the private requests. Portable C: the driver and a host test link it. */
#ifndef QZ_TEST_PORT_H
#define QZ_TEST_PORT_H

#include <stdint.h>

#include "test_drive.h"
#include "testdisk_api.h"

#define TD_IOCTL_ATA_PASS_THROUGH 0x0004D02Cu
#define TD_IOCTL_SCSI_GET_ADDRESS 0x00041018u
#define TD_IOCTL_STORAGE_QUERY_PROPERTY 0x002D1400u
#define TD_IOCTL_STORAGE_GET_DEVICE_NUMBER 0x002D1080u

#define TD_STATUS_SUCCESS 0x00000000u
#define TD_STATUS_INVALID_PARAMETER 0xC000000Du
#define TD_STATUS_INVALID_DEVICE_REQUEST 0xC0000010u
#define TD_STATUS_BUFFER_TOO_SMALL 0xC0000023u
#define TD_STATUS_IO_TIMEOUT 0xC00000B5u
#define TD_STATUS_NOT_SUPPORTED 0xC00000BBu

/* ATA_PASS_THROUGH_EX as a 32-bit and as a 64-bit process lays it out: ULONG_PTR
   DataBufferOffset is 4 bytes in one, 8 bytes aligned to 8 in the other. */
typedef struct TdAtaPassThrough32 {
  uint16_t Length;
  uint16_t AtaFlags;
  uint8_t PathId, TargetId, Lun, ReservedAsUchar;
  uint32_t DataTransferLength;
  uint32_t TimeOutValue;
  uint32_t ReservedAsUlong;
  uint32_t DataBufferOffset;
  uint8_t PreviousTaskFile[8];
  uint8_t CurrentTaskFile[8];
} TdAtaPassThrough32;

typedef struct TdAtaPassThrough64 {
  uint16_t Length;
  uint16_t AtaFlags;
  uint8_t PathId, TargetId, Lun, ReservedAsUchar;
  uint32_t DataTransferLength;
  uint32_t TimeOutValue;
  uint32_t ReservedAsUlong;
  uint64_t DataBufferOffset __attribute__((aligned(8)));
  uint8_t PreviousTaskFile[8];
  uint8_t CurrentTaskFile[8];
} TdAtaPassThrough64;

#ifdef __cplusplus
extern "C" {
#else
_Static_assert(sizeof(TdAtaPassThrough32) == 40, "32-bit ATA_PASS_THROUGH_EX");
_Static_assert(sizeof(TdAtaPassThrough64) == 48, "64-bit ATA_PASS_THROUGH_EX");
#endif

typedef struct TdDisk {
  TdDrive drive;
  uint32_t logCount;
  TdLogEntry log[TD_LOG_ENTRIES];
} TdDisk;

void TdDiskSetUp(TdDisk* disk, const TdSetup* setup);

/* One METHOD_BUFFERED request on the shared system buffer (its size is the larger of the two
   lengths). callerIs32: the request comes from a 32-bit process. Returns an NTSTATUS value
   and sets *information to the bytes of output. */
uint32_t TdDiskControl(TdDisk* disk, uint32_t code, uint8_t* buffer, uint32_t inLength,
                       uint32_t outLength, int callerIs32, uint32_t* information);

#ifdef __cplusplus
}
#endif
#endif
