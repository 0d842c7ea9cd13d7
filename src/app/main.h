#pragma once

// The program's entry point: start-up, the frame loop, shutdown. Returns
// the process exit code.
int main_run(int argc, char** argv);

// Shuts everything down in order; shows `message` (when given) in an error
// box between closing the network and file users and closing the 3D side.
// Returns the exit code: 1 after a message, else the one set by
// main_set_exit_code (0 by default).
int main_exit(const char* message);
void main_set_exit_code(int code);
