#pragma once

// 1 when the system can run the program (always, on Linux).
int os_init();

// Shows a formatted error in a modal message box titled with the product
// name. While it is up no frame runs.
void os_error(const char* format, ...) __attribute__((format(printf, 1, 2)));
int os_error_showing();
