#pragma once
// The server's log: one line per call on standard error.

void server_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Turns the log off (0) or on (1, the default); the fuzz targets run quiet.
void server_log_enable(int on);
