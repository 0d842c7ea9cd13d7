#pragma once
#include <cstddef>

// Image conversion: JPEG bytes into 8-bit, 256-colour BMP files in memory,
// written to the cache as well when a path is given, one job at a time in
// arrival order, within a time budget taken from each frame.

// Runs once per job: with 0 and the BMP file's bytes (the converter's,
// valid during the call only), or with 1 and none when the conversion
// failed.
using image_callback = void (*)(void* user, int result, const unsigned char* bmp, size_t size);

// Queues a conversion of a copy of the bytes. With a `path` the file is
// written there too (a failed job leaves no file); with none, or an empty
// one, the image stays in memory.
void image_convert(const unsigned char* jpeg, size_t size, const char* path,
                   image_callback callback, void* user);
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
