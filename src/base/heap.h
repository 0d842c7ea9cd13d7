#pragma once

// Settings of the C library's allocator for a program that draws: called
// first thing in main, before any thread starts.
void heap_init();
