#pragma once

// The script runner: $VIREO_AUTOMATION names a script of one command a
// line, run with a timer of its own from before the first start-up step,
// so that tests, benchmarks and users can drive the real program. A command
// that fails ends the program with exit code 3.

// Reads the script when one is named; 0 on success or when there is none.
int automation_init();
// 1 while a script is in charge (message boxes then answer themselves).
int automation_active();
void automation_term();
