#pragma once

// What every part of the program may read of the running program, and the
// requests that only the start-up code can carry out: ending the program
// and clearing the state of a world. Lower layers call these; the start-up
// code answers them through the hooks it sets.

// The program directory: the executable's, or $VIREO_HOME when set.
const char* main_directory();
// Sets it (start-up, and tests that run modules on a folder of their own).
void main_set_directory(const char* directory);
// 1 when [special] kiosk was 1 at start-up.
int main_kiosk();
void main_set_kiosk(int kiosk);
// 1 once the 3D side is up; until then painting and resizing do nothing.
int main_three_d_ready();
void main_set_three_d_ready(int ready);
// 1 once main_quit has been called.
int main_quitting();

// Stops the frames and ends the message loop; shutdown follows.
void main_quit();
// Ends the program at once from anywhere, after the shutdown with the
// message (a failure the program cannot go on from). Does not return.
[[noreturn]] void main_abort(const char* message);
// Clears all per-world state before a new world is entered.
void main_reset();

// How start-up answers the requests: quit ends the message loop, abort
// shuts down showing the message and returns the exit code, reset clears
// every module's world state.
struct main_hooks {
    void (*quit)();
    int (*abort)(const char* message);
    void (*reset)();
};
void main_set_hooks(const main_hooks& hooks);
