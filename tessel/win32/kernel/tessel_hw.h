/* The machine as the physical-access driver reaches it (implemented with the HAL and the
   memory manager in tessel_hw.c, called from the portable request handling). */
#ifndef QZ_TESSEL_HW_H
#define QZ_TESSEL_HW_H

#ifdef __cplusplus
extern "C" {
#endif

int QzReadPhysical(unsigned address, unsigned width, unsigned* value);
int QzWritePhysical(unsigned address, unsigned width, unsigned value);
unsigned QzReadConfig(unsigned bus, unsigned slot, unsigned function, unsigned offset,
                      unsigned char* buffer, unsigned length);
unsigned QzWriteConfig(unsigned bus, unsigned slot, unsigned function, unsigned offset,
                       const unsigned char* buffer, unsigned length);
int QzMapView(unsigned physical, unsigned length, unsigned long long* view, unsigned* linear);
void QzUnmapView(unsigned long long process, unsigned long long view);
unsigned long long QzCurrentProcess(void);
unsigned long long QzReferenceCurrentProcess(void);
void QzReleaseProcess(unsigned long long process);
int QzAllocateCommonBuffer(unsigned size, unsigned long long* physical,
                           unsigned long long* kernelAddress);
void QzFreeCommonBuffer(void);

/* The portable request handling (tessel_bridge.cpp). */
long QzTesselRequest(void* owner, unsigned long code, unsigned char* buffer,
                     unsigned long inLength, unsigned long outLength, unsigned long* information);
void QzTesselCleanup(void* owner);
void QzTesselRelease(void);

#ifdef __cplusplus
}
#endif

#endif
