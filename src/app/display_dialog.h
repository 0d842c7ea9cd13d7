#pragma once

// Warns, once per start, about a display with too few colours. 1 to go on
// with start-up, 0 when the user chose to exit.
int display_init();

// The "Display Depth Warning!" dialog: 1 for Continue Anyway, 0 for Exit;
// *dont_warn tells whether its check box was ticked.
int display_dialog_run(const char* text, int* dont_warn);
