#pragma once

// The program's entry point: start-up, the frame loop, shutdown. Returns
// the process exit code.
int main_run(int argc, char** argv);

// Shuts everything down in order; shows `message` (when given) in an error
// box between closing the network and file users and closing the 3D side.
// Returns the exit code: 1 after a message, else the one set by
// main_set_exit_code (0 by default).
int main_exit(const char* message);

// Ends the program at once from anywhere, after the shutdown with the
// message (a failure the program cannot go on from). Does not return.
[[noreturn]] void main_abort(const char* message);

// Stops the frame timer and ends the message loop; shutdown follows.
void main_quit();
void main_set_exit_code(int code);
// 1 once main_quit has been called.
int main_quitting();

// Clears all per-world state before a new world is entered.
void main_reset();

int main_kiosk();
// The program directory: the executable's, or $VIREO_HOME when set.
const char* main_directory();
// Sets it (start-up, and tests that run modules on a folder of their own).
void main_set_directory(const char* directory);
// 1 once the 3D side is up; until then painting and resizing do nothing.
int main_three_d_ready();
