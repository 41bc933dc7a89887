/* A minimal SATA drive for the test disk: IDENTIFY DEVICE, DOWNLOAD MICROCODE in blocks with
   offsets and its activation trigger, the vendor-unique extension query, and the faults the
   test asks for. Portable C: the driver and a host test link it. */
#ifndef QZ_TEST_DRIVE_H
#define QZ_TEST_DRIVE_H

#include <stdint.h>

#include "testdisk_api.h"

enum { TD_NO_DATA = 0, TD_DATA_OUT = 1, TD_DATA_IN = 2 };

#define TD_STATUS_OK 0x50      /* DRDY | DSC */
#define TD_STATUS_ABORTED 0x51 /* DRDY | DSC | ERR */
#define TD_ERROR_ABORT 0x04

typedef struct TdDrive {
  TdSetup setup;
  uint32_t nextBlock; /* the offset, in blocks, the next download block must carry */
  uint32_t broken;    /* a download block was aborted: the image is not whole */
  uint32_t activated, triggerMid, triggerHigh;
  uint32_t silent;
  uint32_t extensionArmed; /* a parameter block was sent and awaits its data-in half */
  uint8_t extensionParams[10];
  uint8_t image[TD_IMAGE_BYTES];
} TdDrive;

#ifdef __cplusplus
extern "C" {
#endif

void TdDriveSetUp(TdDrive* drive, const TdSetup* setup);

/* Runs one command. regs: features, count, lba low, mid, high, device, command. `data` holds
   `length` bytes (sent for TD_DATA_OUT, filled for TD_DATA_IN). Returns 0 when the drive gives
   no answer, else 1 with result = error, count, lba low, mid, high, device, status. */
int TdDriveRun(TdDrive* drive, const uint8_t regs[7], int direction, uint8_t* data,
               uint32_t length, uint8_t result[7]);

#ifdef __cplusplus
}
#endif
#endif
