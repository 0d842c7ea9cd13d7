#pragma once

#include "presence/coords.h"

// Teleports, the history of places and remembered places.

// Reads the remembered places and enters the start world: 0, else 1 for a
// failure already shown or the string to end start-up with.
int teleport_init();
void teleport_forward();
void teleport_back();
// 1 when the history holds a place before the current one.
int teleport_can_go_back();
// The places before and after the current one in the history.
void teleport_history_counts(int* back, int* forward);
// Records the place being left (before a jump).
void teleport_history_push();
// Enters the world (none: stays in this one), ends building selection,
// records the place left and moves to the target at once. A world that
// cannot be entered is reported by the Immigration Officer and nothing
// moves.
void teleport_jump(const char* world, const place& target);
// Ends building selection and glides to the target, on later frames; a
// target further than 10 units is recorded in the history first.
void teleport_glide(const place& target);
void teleport_home();
void teleport_set_home();
// A remembered place chosen from the Teleport menu; 1 when the id is one.
int teleport_command(int id);
