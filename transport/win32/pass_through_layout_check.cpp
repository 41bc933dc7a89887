// The request layouts and codes of the pass-through transports, held against the system's own
// structures. Compiled in the 32-bit Windows tree only: these are the 32-bit layouts.
#include <cstddef>

#include "platform/win32/windows.hpp"
#include <ntdddisk.h>
#include <ntddscsi.h>

#include "transport/pass_through_codes.hpp"
#include "transport/pass_through_requests.hpp"

static_assert(sizeof(void*) == 4, "the updater's requests use the 32-bit layouts");

namespace qz::pass_through {

static_assert(ioctl::kScsiPassThrough == IOCTL_SCSI_PASS_THROUGH);
static_assert(ioctl::kScsiMiniport == IOCTL_SCSI_MINIPORT);
static_assert(ioctl::kScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(ioctl::kScsiGetAddress == IOCTL_SCSI_GET_ADDRESS);
static_assert(ioctl::kScsiRescanBus == IOCTL_SCSI_RESCAN_BUS);
static_assert(ioctl::kIdePassThrough == IOCTL_IDE_PASS_THROUGH);
static_assert(ioctl::kAtaPassThrough == IOCTL_ATA_PASS_THROUGH);
static_assert(ioctl::kAtaPassThroughDirect == IOCTL_ATA_PASS_THROUGH_DIRECT);

// The task file is IDEREGS.
static_assert(sizeof(IDEREGS) == TaskFile::kSize);
static_assert(offsetof(IDEREGS, bFeaturesReg) == 0 && offsetof(IDEREGS, bCommandReg) == 6);

// Kind 1.
static_assert(sizeof(ATA_PASS_THROUGH_EX) == kAtaHeaderSize);
static_assert(offsetof(ATA_PASS_THROUGH_EX, AtaFlags) == 2);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataTransferLength) == 8);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TimeOutValue) == 12);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataBufferOffset) == 20);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PreviousTaskFile) == 24);
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == kAtaCurrentTaskFileOffset);
static_assert(sizeof(ATA_PASS_THROUGH_DIRECT) == kAtaDirectSize);
static_assert(offsetof(ATA_PASS_THROUGH_DIRECT, DataBuffer) == 20);
static_assert(offsetof(ATA_PASS_THROUGH_DIRECT, CurrentTaskFile) == kAtaCurrentTaskFileOffset);
static_assert(ATA_FLAGS_DRDY_REQUIRED == 1 && ATA_FLAGS_48BIT_COMMAND == 8);
static_assert(ATA_FLAGS_DATA_IN == data_direction::kIn);
static_assert(ATA_FLAGS_DATA_OUT == data_direction::kOut);
// The data follows the header on the next 8-byte boundary, as the request states.
static_assert(kAtaDataOffset >= sizeof(ATA_PASS_THROUGH_EX));

// Kind 3.
static_assert(sizeof(SCSI_PASS_THROUGH) == kScsiStructSize);
static_assert(offsetof(SCSI_PASS_THROUGH, TargetId) == 4);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == 6);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == 8);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == 28);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == kScsiStructSize);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 24);
static_assert(SCSI_IOCTL_DATA_IN == 1 && SCSI_IOCTL_DATA_OUT == 0 &&
              SCSI_IOCTL_DATA_UNSPECIFIED == 2);

// Kind 4.
static_assert(sizeof(SRB_IO_CONTROL) == kSrbHeaderSize);
static_assert(offsetof(SRB_IO_CONTROL, Signature) == 4);
static_assert(offsetof(SRB_IO_CONTROL, Timeout) == 12);
static_assert(offsetof(SRB_IO_CONTROL, ControlCode) == 16);
static_assert(offsetof(SRB_IO_CONTROL, ReturnCode) == kMiniportReturnCodeOffset);
static_assert(offsetof(SRB_IO_CONTROL, Length) == 24);

// The drive manager's address query.
static_assert(sizeof(SCSI_ADDRESS) == 8);
static_assert(offsetof(SCSI_ADDRESS, PortNumber) == 4 && offsetof(SCSI_ADDRESS, Lun) == 7);

}  // namespace qz::pass_through
