/* The package block as the program ships it, in initialized data, every area at its fixed
   size and in its fixed order (see package_layout.hpp). The build step rewrites it in the
   built executable; the markers below are how it finds the areas. */

#if defined(_WIN32) && !defined(_WIN64)
#define QZ_SYMBOL _qz_package_block
#else
#define QZ_SYMBOL qz_package_block
#endif

/* A text followed by zero bytes up to the end of its area. */
.macro padtext text, size
.Lpt\@:
  .ascii "\text"
  .space \size - (. - .Lpt\@)
.endm

/* A blank model entry: "#FLSH" with its row and entry numbers, then "#" in the other fields. */
.macro blank_entry row, entry
  padtext "#FLSH\row\entry", 8
  padtext "#", 8
  padtext "#", 40
  padtext "#", 16
  .space 4
.endm

.macro blank_row row
  .irp e, 1, 2, 3, 4, 5, 6, 7, 8
    blank_entry \row, \e
  .endr
.endm

.macro number_record key, digits
  .ascii "\key"
  .ascii "\digits"
  .byte 0
.endm

  .data
  .balign 16
  .globl QZ_SYMBOL
QZ_SYMBOL:
  /* Header texts */
  padtext "v2.2.0", 13
  padtext "Vortan IX Quenzar Utility for Windows", 64
  padtext "2012/07/25", 12
  padtext "VORTANIX QRX-480T9A", 65

  /* Model table: row 1 entry 1 admits VRD! to VRD~ of the supported model. */
  padtext "VRD!", 8
  padtext "VRD~", 8
  padtext "VORTANIX QRX-480T9A     ", 40
  padtext "#", 16
  .space 4
  .irp e, 2, 3, 4, 5, 6, 7, 8
    blank_entry 1, \e
  .endr
  .irp r, 2, 3, 4, 5, 6
    blank_row \r
  .endr

  /* Option string: PackageMode 0, then the option digits. */
  .ascii "PARA_OPT="
  .byte 0
  .ascii "0000000001011000000010000002000"
  .byte 0

  .irp n, 1, 2, 3, 4, 5, 6
    number_record "BIN_START\n=", "0000000000"
  .endr
  number_record "BIN_SIZE1B=", "0000262144"
  .irp n, 2, 3, 4, 5, 6
    number_record "BIN_SIZE\n =", "0000000000"
  .endr

  .ascii "NEW_FW1="
  padtext "VRDC", 8
  .irp n, 2, 3, 4, 5, 6
    .ascii "NEW_FW\n="
    .ascii "N/A    "
    .byte 0
  .endr
  .ascii "FW_EXT1="
  padtext "VRDC-4", 8
  .irp n, 2, 3, 4, 5, 6
    .ascii "FW_EXT\n="
    .ascii "N/A    "
    .byte 0
  .endr

  padtext "BOOT_CODE_HERE", 4096

  /* Firmware area: six package slots. */
  .space 1572864

  padtext "AES_BUF_HERE", 256

  /* Ten flasher slots, then four copy-program slots. */
  .space 262144 * 10
  .space 12288 * 4

  number_record "XP_X86_SIZE=", "0000020480"
  number_record "XP_X64_SIZE=", "0000025600"
  number_record "2003_X86_SIZE=", "0000020480"
  number_record "2003_X64_SIZE=", "0000025600"
  number_record "VISTA_X86_SIZE=", "0000020480"
  number_record "VISTA_X64_SIZE=", "0000025600"
  number_record "2008_X86_SIZE=", "0000020480"
  number_record "2008_X64_SIZE=", "0000025600"
  number_record "WIN7_X86_SIZE=", "0000020480"
  number_record "WIN7_X64_SIZE=", "0000025600"
  number_record "FERRYMAN_SIZE=", "0000007680"
  number_record "FERRY2K3_SIZE=", "0000008704"
  number_record "FERRY2K8_SIZE=", "0000007680"
  number_record "FERRYIXP_SIZE=", "0000005120"
.Lqz_block_end:

#if defined(__ELF__)
  .section .note.GNU-stack, "", @progbits
#endif
