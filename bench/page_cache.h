#pragma once
// Cold reads for the benchmarks: a file written out and dropped from the
// operating system's page cache, so that the next read goes to the disk.

// Flushes the file and asks the kernel to drop its cached pages; 1 when
// both calls succeeded. A file that does not exist is 0.
int page_cache_drop(const char* path);
