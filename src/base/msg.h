#pragma once

// Formats string-table entry `id` with the further arguments (printf rules)
// into the next of four rotating 512-byte buffers and returns it: at most
// four results may be held at once, the fifth call reuses the first buffer.
// An unknown id formats as "string %d".
const char* msg(int id, ...);
// The same for a text of the program's own that is not in the table.
const char* msg_format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The product name, string 8.
constexpr int msg_product = 8;
// The caption of error boxes, string 7.
constexpr int msg_error = 7;
