#include "test_drive.h"

static void Fill(uint8_t* to, uint8_t value, uint32_t n) {
  uint32_t i;
  for (i = 0; i < n; ++i) to[i] = value;
}

static void Copy(uint8_t* to, const uint8_t* from, uint32_t n) {
  uint32_t i;
  for (i = 0; i < n; ++i) to[i] = from[i];
}

void TdDriveSetUp(TdDrive* drive, const TdSetup* setup) {
  drive->setup = *setup;
  drive->nextBlock = drive->broken = 0;
  drive->activated = drive->triggerMid = drive->triggerHigh = 0;
  drive->silent = setup->fault == TD_FAULT_SILENT;
  drive->extensionArmed = 0;
  Fill(drive->extensionParams, 0, sizeof drive->extensionParams);
  Fill(drive->image, 0, TD_IMAGE_BYTES);
}

/* ATA strings: two characters a word, the first in the high byte. */
static void PutAtaString(uint8_t* identify, uint32_t word, const char* text, uint32_t bytes) {
  uint32_t i;
  for (i = 0; i < bytes; ++i) identify[2 * word + (i ^ 1)] = (uint8_t)text[i];
}

static void PutWord(uint8_t* identify, uint32_t word, uint16_t value) {
  identify[2 * word] = (uint8_t)value;
  identify[2 * word + 1] = (uint8_t)(value >> 8);
}

static void Identify(const TdDrive* drive, uint8_t* out) {
  uint32_t i;
  uint8_t sum = 0;
  Fill(out, 0, 512);
  PutWord(out, 0, 0x0040); /* fixed ATA device */
  PutAtaString(out, 10, drive->setup.serial, 20);
  PutAtaString(out, 23, drive->setup.revision, 8);
  PutAtaString(out, 27, drive->setup.model, 40);
  PutWord(out, 49, 0x0200); /* LBA */
  PutWord(out, 60, 0x0000);
  PutWord(out, 61, 0x0100); /* 16 Mi sectors */
  PutWord(out, 80, 0x01F0); /* ATA8-ACS and earlier */
  PutWord(out, 83, 0x4000);
  PutWord(out, 222, 0x101F); /* SATA */
  /* Integrity word: signature A5h, then the checksum that makes all 512 bytes sum to 0. */
  out[510] = 0xA5;
  for (i = 0; i < 511; ++i) sum = (uint8_t)(sum + out[i]);
  out[511] = (uint8_t)(0u - sum);
}

static int DownloadBlock(TdDrive* drive, const uint8_t* regs, int direction, const uint8_t* data,
                         uint32_t length) {
  const uint32_t blocks = regs[1] | (uint32_t)regs[2] << 8;
  const uint32_t offset = regs[3] | (uint32_t)regs[4] << 8;
  if (direction != TD_DATA_OUT || blocks == 0 || length != blocks * 512) return 0;
  if (offset != drive->nextBlock || (offset + blocks) * 512 > TD_IMAGE_BYTES) return 0;
  if (drive->setup.fault == TD_FAULT_ABORT_BLOCK && drive->setup.faultBlock >= offset &&
      drive->setup.faultBlock < offset + blocks) {
    return 0;
  }
  Copy(drive->image + offset * 512, data, length);
  drive->nextBlock = offset + blocks;
  return 1;
}

/* The activation: one block, the boot-code flag in LBA mid/high ('L','A') or zero. */
static int Trigger(TdDrive* drive, const uint8_t* regs, int direction, uint32_t length) {
  const int boot = regs[3] == 0x4C && regs[4] == 0x41;
  const int plain = regs[3] == 0 && regs[4] == 0;
  if (direction != TD_DATA_OUT || regs[1] != 1 || regs[2] != 0 || length != 512) return 0;
  if (!(boot || plain) || drive->nextBlock == 0 || drive->broken) return 0;
  if (drive->setup.fault == TD_FAULT_TRIGGER_ERROR) return 0;
  drive->activated = 1;
  drive->triggerMid = regs[3];
  drive->triggerHigh = regs[4];
  return 1;
}

/* Features FCh sends the 10 parameter bytes; FDh reads the answer: the firmware extension
   for the parameters 0A 07. */
static int VendorUnique(TdDrive* drive, const uint8_t* regs, int direction, uint8_t* data,
                        uint32_t length) {
  if (regs[0] == 0xFC) {
    if (direction != TD_DATA_OUT || length != 512) return 0;
    Copy(drive->extensionParams, data, sizeof drive->extensionParams);
    drive->extensionArmed = 1;
    return 1;
  }
  if (regs[0] == 0xFD) {
    const int armed = drive->extensionArmed;
    drive->extensionArmed = 0;
    if (direction != TD_DATA_IN || regs[1] == 0 || length != regs[1] * 512u || !armed) return 0;
    if (drive->extensionParams[0] != 0x0A || drive->extensionParams[1] != 0x07) return 0;
    Fill(data, 0, length);
    Copy(data, (const uint8_t*)drive->setup.extension, sizeof drive->setup.extension);
    return 1;
  }
  return 0;
}

int TdDriveRun(TdDrive* drive, const uint8_t regs[7], int direction, uint8_t* data,
               uint32_t length, uint8_t result[7]) {
  int done = 0;
  if (drive->silent) return 0;
  if (regs[6] == 0x92 && regs[0] == 0x03 && drive->setup.fault == TD_FAULT_SILENT_AT_BLOCK) {
    const uint32_t offset = regs[3] | (uint32_t)regs[4] << 8;
    if (offset >= drive->setup.faultBlock) {
      drive->silent = 1;
      return 0;
    }
  }
  switch (regs[6]) {
    case 0xEC:
      done = direction == TD_DATA_IN && length == 512;
      if (done) Identify(drive, data);
      break;
    case 0x92:
      if (regs[0] == 0x03) {
        done = DownloadBlock(drive, regs, direction, data, length);
        if (!done) drive->broken = 1;
      }
      if (regs[0] == 0x07) done = Trigger(drive, regs, direction, length);
      break;
    case 0xFF:
      done = VendorUnique(drive, regs, direction, data, length);
      break;
    default:
      break;
  }
  Copy(result + 1, regs + 1, 5);
  result[0] = done ? 0 : TD_ERROR_ABORT;
  result[6] = done ? TD_STATUS_OK : TD_STATUS_ABORTED;
  return 1;
}
