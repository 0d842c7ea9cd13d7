#pragma once

// The hand-off file: a web page starts the program with the path of a small
// file whose first line is a teleport command, or hands that path to the
// running program through a second start.

// Keeps the command line (a hand-off file's path) when it is not empty.
void cgi_init(const char* command_line);
// A command line passed on by a later start; it replaces a pending one.
void cgi_receive(const char* command_line);
// Runs a pending hand-off: posts the file's first line when it is a
// teleport command.
void cgi_update();
void cgi_term();
