/* The test disk's private requests, shared by the driver and testdisk_ctl. Fixed-width
   fields only: a 32-bit and a 64-bit caller see the same layout. */
#ifndef QZ_TESTDISK_API_H
#define QZ_TESTDISK_API_H

#include <stdint.h>

/* CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + n, METHOD_BUFFERED, FILE_ANY_ACCESS) */
#define TD_PRIVATE_CODE(n) ((0x22u << 16) | ((0x900u + (n)) << 2))
#define TD_IOCTL_SETUP TD_PRIVATE_CODE(0) /* in: TdSetup */
#define TD_IOCTL_STATE TD_PRIVATE_CODE(1) /* out: TdState */
#define TD_IOCTL_LOG TD_PRIVATE_CODE(2)   /* in: uint32 first entry; out: TdLogEntry[] */
#define TD_IOCTL_IMAGE TD_PRIVATE_CODE(3) /* in: uint32 byte offset; out: image bytes */
#define TD_IOCTL_ANNOUNCE TD_PRIVATE_CODE(4) /* show the disk to plug and play as well */

/* The control link, always present; the disk link \DosDevices\PhysicalDrive<n> follows setup. */
#define TD_CONTROL_NAME L"QzTestDisk"

#define TD_IMAGE_BYTES (256u * 1024u)
#define TD_LOG_ENTRIES 4096u

enum TdFault {
  TD_FAULT_NONE = 0,
  TD_FAULT_ABORT_BLOCK = 1,     /* the download block at faultBlock is aborted (ERR) */
  TD_FAULT_SILENT_AT_BLOCK = 2, /* from the block at faultBlock on, nothing answers */
  TD_FAULT_TRIGGER_ERROR = 3,   /* the activation trigger is aborted */
  TD_FAULT_SILENT = 4           /* no command is answered at all */
};

typedef struct TdSetup {
  uint32_t size; /* sizeof(TdSetup) */
  uint32_t driveNumber;
  char model[40]; /* ATA strings, blank-padded, in reading order */
  char serial[20];
  char revision[8];
  char extension[8]; /* what the vendor-unique extension query answers */
  uint32_t fault;    /* enum TdFault */
  uint32_t faultBlock;
} TdSetup;

typedef struct TdState {
  uint32_t logCount;       /* requests seen; entries past TD_LOG_ENTRIES are not kept */
  uint32_t activated;      /* the trigger was accepted */
  uint32_t triggerMid;     /* LBA mid and high of the accepted trigger (the boot-code flag) */
  uint32_t triggerHigh;
  uint32_t blocksReceived; /* download blocks accepted, in sequence */
  uint32_t driveNumber;
} TdState;

/* One request as the disk saw it. For requests other than ATA pass-through only `code`,
   `ntStatus` and `header` (the input length) mean anything. */
typedef struct TdLogEntry {
  uint32_t code;       /* the control code */
  uint32_t ntStatus;   /* how the request was completed */
  uint8_t regs[8];     /* features, count, lba low, mid, high, device, command, 0 */
  uint8_t result[8];   /* error, count, lba low, mid, high, device, status, answered */
  uint16_t flags;      /* AtaFlags */
  uint16_t header;     /* Length field of the header (input length for other codes) */
  uint16_t layout;     /* 32 or 64: the caller's layout the driver decoded */
  uint16_t reserved;
  uint32_t length;     /* DataTransferLength */
  uint32_t dataOffset; /* DataBufferOffset */
  uint32_t timeout;    /* TimeOutValue */
} TdLogEntry;

#endif
