#pragma once

// One program per user and program directory. A later start hands its
// command line to the running program over a local socket and ends.

// 1 when another instance runs: it has been brought forward and given the
// command line, and this process should end with code 0.
int instance_find(const char* command_line);
// Starts answering later starts (once the main window exists).
void instance_listen();
void instance_term();
