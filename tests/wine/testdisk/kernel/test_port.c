#include "test_port.h"

#include <stddef.h>

static void Fill(uint8_t* to, uint8_t value, uint32_t n) {
  uint32_t i;
  for (i = 0; i < n; ++i) to[i] = value;
}

static void Copy(void* to, const void* from, uint32_t n) {
  uint32_t i;
  for (i = 0; i < n; ++i) ((uint8_t*)to)[i] = ((const uint8_t*)from)[i];
}

static uint32_t Min(uint32_t a, uint32_t b) { return a < b ? a : b; }

void TdDiskSetUp(TdDisk* disk, const TdSetup* setup) {
  TdDriveSetUp(&disk->drive, setup);
  disk->logCount = 0;
}

static TdLogEntry* NextEntry(TdDisk* disk, uint32_t code, int callerIs32) {
  static TdLogEntry dropped;
  TdLogEntry* entry = disk->logCount < TD_LOG_ENTRIES ? &disk->log[disk->logCount] : &dropped;
  ++disk->logCount;
  Fill((uint8_t*)entry, 0, sizeof *entry);
  entry->code = code;
  entry->layout = callerIs32 ? 32 : 64;
  return entry;
}

/* The header in the caller's layout, copied out of the buffer into one form. */
typedef struct Header {
  uint32_t size, currentAt;
  uint16_t length, flags;
  uint32_t transfer, timeout;
  uint64_t dataOffset;
  uint8_t current[8];
} Header;

static void ReadHeader(const uint8_t* buffer, int callerIs32, Header* h) {
  if (callerIs32) {
    TdAtaPassThrough32 p;
    Copy(&p, buffer, sizeof p);
    h->size = sizeof p;
    h->currentAt = offsetof(TdAtaPassThrough32, CurrentTaskFile);
    h->length = p.Length;
    h->flags = p.AtaFlags;
    h->transfer = p.DataTransferLength;
    h->timeout = p.TimeOutValue;
    h->dataOffset = p.DataBufferOffset;
    Copy(h->current, p.CurrentTaskFile, 8);
  } else {
    TdAtaPassThrough64 p;
    Copy(&p, buffer, sizeof p);
    h->size = sizeof p;
    h->currentAt = offsetof(TdAtaPassThrough64, CurrentTaskFile);
    h->length = p.Length;
    h->flags = p.AtaFlags;
    h->transfer = p.DataTransferLength;
    h->timeout = p.TimeOutValue;
    h->dataOffset = p.DataBufferOffset;
    Copy(h->current, p.CurrentTaskFile, 8);
  }
}

#define ATA_FLAGS_DATA_IN 0x02
#define ATA_FLAGS_DATA_OUT 0x04
#define TD_MAX_TRANSFER 0x10000u

static uint32_t AtaPassThrough(TdDisk* disk, uint8_t* buffer, uint32_t inLength,
                               uint32_t outLength, int callerIs32, uint32_t* information) {
  TdLogEntry* entry = NextEntry(disk, TD_IOCTL_ATA_PASS_THROUGH, callerIs32);
  const uint32_t size = callerIs32 ? sizeof(TdAtaPassThrough32) : sizeof(TdAtaPassThrough64);
  Header h;
  int direction;
  uint8_t result[7];
  if (inLength < size || outLength < size) {
    entry->header = (uint16_t)Min(inLength, 0xFFFF);
    return entry->ntStatus = TD_STATUS_INVALID_PARAMETER;
  }
  ReadHeader(buffer, callerIs32, &h);
  Copy(entry->regs, h.current, 7);
  entry->flags = h.flags;
  entry->header = h.length;
  entry->length = h.transfer;
  entry->dataOffset = h.dataOffset > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)h.dataOffset;
  entry->timeout = h.timeout;

  direction = h.transfer == 0                      ? TD_NO_DATA
              : (h.flags & ATA_FLAGS_DATA_IN)      ? TD_DATA_IN
              : (h.flags & ATA_FLAGS_DATA_OUT)     ? TD_DATA_OUT
                                                   : -1;
  if (h.length != size || direction < 0 ||
      ((h.flags & ATA_FLAGS_DATA_IN) && (h.flags & ATA_FLAGS_DATA_OUT)) ||
      h.transfer > TD_MAX_TRANSFER) {
    return entry->ntStatus = TD_STATUS_INVALID_PARAMETER;
  }
  if (direction != TD_NO_DATA &&
      (h.dataOffset < size ||
       h.dataOffset + h.transfer > (direction == TD_DATA_OUT ? inLength : outLength))) {
    return entry->ntStatus = TD_STATUS_INVALID_PARAMETER;
  }
  if (direction == TD_DATA_IN) Fill(buffer + h.dataOffset, 0, h.transfer);
  if (!TdDriveRun(&disk->drive, h.current, direction,
                  direction == TD_NO_DATA ? NULL : buffer + h.dataOffset, h.transfer, result)) {
    return entry->ntStatus = TD_STATUS_IO_TIMEOUT;
  }
  Copy(entry->result, result, 7);
  entry->result[7] = 1;
  /* The header goes back as it came, with the drive's registers in CurrentTaskFile. */
  Copy(buffer + h.currentAt, result, 7);
  buffer[h.currentAt + 7] = 0;
  *information = direction == TD_DATA_IN ? (uint32_t)h.dataOffset + h.transfer : size;
  return entry->ntStatus = TD_STATUS_SUCCESS;
}

static void PutU32(uint8_t* at, uint32_t v) {
  at[0] = (uint8_t)v;
  at[1] = (uint8_t)(v >> 8);
  at[2] = (uint8_t)(v >> 16);
  at[3] = (uint8_t)(v >> 24);
}

static uint32_t GetU32(const uint8_t* at) {
  return at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

/* SCSI_ADDRESS: Length, PortNumber, PathId, TargetId, Lun. */
static uint32_t ScsiAddress(TdDisk* disk, uint8_t* buffer, uint32_t outLength,
                            uint32_t* information) {
  if (outLength < 8) return TD_STATUS_BUFFER_TOO_SMALL;
  PutU32(buffer, 8);
  buffer[4] = (uint8_t)disk->drive.setup.driveNumber;
  buffer[5] = buffer[6] = buffer[7] = 0;
  *information = 8;
  return TD_STATUS_SUCCESS;
}

/* STORAGE_PROPERTY_QUERY (PropertyId, QueryType) for StorageDeviceProperty: a
   STORAGE_DEVICE_DESCRIPTOR on the SATA bus with the product, revision and serial texts. Its
   fields are ULONGs and bytes only, so 32- and 64-bit callers read the same layout. */
static uint32_t QueryProperty(TdDisk* disk, uint8_t* buffer, uint32_t inLength,
                              uint32_t outLength, uint32_t* information) {
  enum { kFixed = 40, kProduct = kFixed, kRevision = kProduct + 41, kSerial = kRevision + 9,
         kTotal = kSerial + 21 };
  uint8_t d[kTotal];
  const TdSetup* s = &disk->drive.setup;
  if (inLength < 8) return TD_STATUS_INVALID_PARAMETER;
  if (GetU32(buffer) != 0) return TD_STATUS_NOT_SUPPORTED;  /* only the device property */
  if (GetU32(buffer + 4) == 1) return TD_STATUS_SUCCESS;    /* PropertyExistsQuery */
  if (GetU32(buffer + 4) != 0) return TD_STATUS_INVALID_PARAMETER;
  if (outLength < 8) return TD_STATUS_BUFFER_TOO_SMALL;
  Fill(d, 0, kTotal);
  PutU32(d + 0, kFixed);  /* Version */
  PutU32(d + 4, kTotal);  /* Size */
  d[8] = 0;               /* DeviceType: direct access */
  PutU32(d + 12, 0);      /* VendorIdOffset: none */
  PutU32(d + 16, kProduct);
  PutU32(d + 20, kRevision);
  PutU32(d + 24, kSerial);
  PutU32(d + 28, 11);     /* BusTypeSata */
  Copy(d + kProduct, s->model, 40);
  Copy(d + kRevision, s->revision, 8);
  Copy(d + kSerial, s->serial, 20);
  *information = Min(outLength, kTotal);
  Copy(buffer, d, *information);
  return TD_STATUS_SUCCESS;
}

/* STORAGE_DEVICE_NUMBER: DeviceType (FILE_DEVICE_DISK), DeviceNumber, PartitionNumber. */
static uint32_t DeviceNumber(TdDisk* disk, uint8_t* buffer, uint32_t outLength,
                             uint32_t* information) {
  if (outLength < 12) return TD_STATUS_BUFFER_TOO_SMALL;
  PutU32(buffer, 7);
  PutU32(buffer + 4, disk->drive.setup.driveNumber);
  PutU32(buffer + 8, 0);
  *information = 12;
  return TD_STATUS_SUCCESS;
}

static uint32_t ReadState(TdDisk* disk, uint8_t* buffer, uint32_t outLength,
                          uint32_t* information) {
  TdState state;
  if (outLength < sizeof state) return TD_STATUS_BUFFER_TOO_SMALL;
  state.logCount = disk->logCount;
  state.activated = disk->drive.activated;
  state.triggerMid = disk->drive.triggerMid;
  state.triggerHigh = disk->drive.triggerHigh;
  state.blocksReceived = disk->drive.nextBlock;
  state.driveNumber = disk->drive.setup.driveNumber;
  Copy(buffer, &state, sizeof state);
  *information = sizeof state;
  return TD_STATUS_SUCCESS;
}

static uint32_t ReadLog(TdDisk* disk, uint8_t* buffer, uint32_t inLength, uint32_t outLength,
                        uint32_t* information) {
  const uint32_t kept = Min(disk->logCount, TD_LOG_ENTRIES);
  uint32_t first, n;
  if (inLength < 4) return TD_STATUS_INVALID_PARAMETER;
  first = GetU32(buffer);
  if (first > kept) return TD_STATUS_INVALID_PARAMETER;
  n = Min(kept - first, outLength / (uint32_t)sizeof(TdLogEntry));
  Copy(buffer, &disk->log[first], n * (uint32_t)sizeof(TdLogEntry));
  *information = n * (uint32_t)sizeof(TdLogEntry);
  return TD_STATUS_SUCCESS;
}

static uint32_t ReadImage(TdDisk* disk, uint8_t* buffer, uint32_t inLength, uint32_t outLength,
                          uint32_t* information) {
  uint32_t offset;
  if (inLength < 4) return TD_STATUS_INVALID_PARAMETER;
  offset = GetU32(buffer);
  if (offset > TD_IMAGE_BYTES) return TD_STATUS_INVALID_PARAMETER;
  *information = Min(TD_IMAGE_BYTES - offset, outLength);
  Copy(buffer, disk->drive.image + offset, *information);
  return TD_STATUS_SUCCESS;
}

uint32_t TdDiskControl(TdDisk* disk, uint32_t code, uint8_t* buffer, uint32_t inLength,
                       uint32_t outLength, int callerIs32, uint32_t* information) {
  uint32_t status;
  *information = 0;
  switch (code) {
    case TD_IOCTL_ATA_PASS_THROUGH:
      return AtaPassThrough(disk, buffer, inLength, outLength, callerIs32, information);
    case TD_IOCTL_STATE:
      return ReadState(disk, buffer, outLength, information);
    case TD_IOCTL_LOG:
      return ReadLog(disk, buffer, inLength, outLength, information);
    case TD_IOCTL_IMAGE:
      return ReadImage(disk, buffer, inLength, outLength, information);
    case TD_IOCTL_SCSI_GET_ADDRESS:
      status = ScsiAddress(disk, buffer, outLength, information);
      break;
    case TD_IOCTL_STORAGE_QUERY_PROPERTY:
      status = QueryProperty(disk, buffer, inLength, outLength, information);
      break;
    case TD_IOCTL_STORAGE_GET_DEVICE_NUMBER:
      status = DeviceNumber(disk, buffer, outLength, information);
      break;
    default:
      status = TD_STATUS_INVALID_DEVICE_REQUEST;
      break;
  }
  /* What else the programs ask is recorded too: the test reports it. */
  {
    TdLogEntry* entry = NextEntry(disk, code, callerIs32);
    entry->ntStatus = status;
    entry->header = (uint16_t)Min(inLength, 0xFFFF);
    entry->length = outLength;
  }
  return status;
}
