#include "base/heap.h"

#include <malloc.h>

void heap_init()
{
    // The OpenGL driver allocates and frees tens of megabytes every frame.
    // With the allocator's defaults the heap is given back to the system at
    // the end of each frame and grown again in the next, and every page of
    // it faults in anew: thousands of page faults a frame, most of a
    // frame's time on a software renderer. Blocks up to 32 MB come from the
    // heap rather than their own mappings, and the heap keeps up to 256 MB
    // of free top and grows 16 MB at a time, so a frame reuses the pages the
    // last one touched. Peak memory stays what the driver asks for.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
}
