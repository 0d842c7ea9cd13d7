#pragma once
#include <cstddef>

// Image conversion: JPEG bytes into 8-bit, 256-colour BMP files in the
// cache, one job at a time in arrival order, within a time budget taken
// from each frame.

// Queues a conversion of a copy of the bytes into `path`; `callback` runs
// once with 0 (converted) or 1 (failed).
void image_convert(const unsigned char* jpeg, size_t size, const char* path,
                   void (*callback)(void* user, int result), void* user);
// A frame's share of the work.
void image_update();
// Drops every job without calling back; a half-written file is deleted.
void image_reset();
// As image_reset, and releases the decoder.
void image_term();
// The number of jobs waiting or running.
int image_queued();
// A frame's budget in milliseconds for this many queued jobs.
int image_budget(int queued);
// The credit a frame starts with, from the milliseconds carried over from
// earlier frames (negative after overspending) and this frame's budget.
// While it is negative the frame converts nothing.
int image_credit(int credit, int budget);
