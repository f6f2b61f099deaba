#include "base/heap.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void ReleaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
