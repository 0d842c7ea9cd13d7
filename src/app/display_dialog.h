#pragma once

// The "Display Depth Warning!" dialog: 1 for Continue Anyway, 0 for Exit;
// *dont_warn tells whether its check box was ticked.
int display_dialog_run(const char* text, int* dont_warn);
