#pragma once
// The process's heap.

// Hands the pages that freed memory left resident in the calling thread's
// heap back to the system (glibc keeps them for later allocations); a few
// milliseconds after a long list. Does nothing where the C library has no
// such call.
void ReleaseFreedMemory();
