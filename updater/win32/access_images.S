/* The register-access libraries and their drivers, carried in Quenzar.exe's read-only data:
   the loaders write them into the system directory when they are missing or of another size. */
#define CARRY(name, path) \
  .globl _##name##_begin; .globl _##name##_end; \
  .balign 16; _##name##_begin: .incbin path; _##name##_end:

  .section .rdata, "dr"
CARRY(qz_tessel_dll, QZ_TESSEL_DLL)
CARRY(qz_tessel_sys_x86, QZ_TESSEL_SYS_X86)
CARRY(qz_tessel_sys_x64, QZ_TESSEL_SYS_X64)
CARRY(qz_tesselio_dll, QZ_TESSELIO_DLL)
CARRY(qz_tesselio_sys_x86, QZ_TESSELIO_SYS_X86)
CARRY(qz_tesselio_sys_x64, QZ_TESSELIO_SYS_X64)
