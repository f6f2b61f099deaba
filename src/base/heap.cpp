#include "base/heap.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc's

#ifdef __GLIBC__
#include <malloc.h>
#endif

void ReleaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
