#pragma once

// The program's version (2.00 for 200) and build number, read once at
// start-up; both are 0 before that.
void version_init();
float version_number();
int version_build();
