#pragma once
#include <string>

// The upgrade check after log-in, and the installing of files an upgrader
// left behind.
enum upgrade_answer { upgrade_continue = 0, upgrade_skip = 1, upgrade_quit = 2 };

// Asks the user when the universe reports a newer build, is closed (the
// log-in's result 400) or full (45); upgrade_quit when the program should
// end (cancelled, or an upgrade was started).
int upgrade_check(int login_result);
// Installs "upgrade.new" (and "patchw32.new") left in the program folder.
void check_for_new_upgrade();
// The upgrader's arguments for this build.
std::string upgrade_arguments(const char* host, int beta, int build);
