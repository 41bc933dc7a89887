/* The protection of the drivers' devices, built by portable code that the host tests check
   byte for byte: a self-relative security descriptor whose access list admits LocalSystem and
   the Administrators group only, and the secure-open characteristic, so that the access list
   also holds for every name below the device. Kernel-safe; callable from C. */
#ifndef QZ_DEVICE_SECURITY_H
#define QZ_DEVICE_SECURITY_H

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes of the descriptor. */
#define QZ_DEVICE_SECURITY_SIZE 72u

/* Writes the descriptor into out (4-byte aligned, size bytes of room); its length, or 0 when
   it does not fit. */
unsigned QzDeviceSecurityDescriptor(unsigned char* out, unsigned size);

/* The characteristics the device is created with. */
unsigned long QzDeviceCharacteristics(void);

#ifdef __cplusplus
}
#endif

#endif
