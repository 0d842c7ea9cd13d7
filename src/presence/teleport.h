#pragma once

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
// Runs a teleport command text: an optional world name, then a place.
void teleport_execute(const char* text);
// Runs a warp command text: a glide to a place of this world; one further
// than 10 units is remembered in the history.
void teleport_warp(const char* text);
void teleport_home();
void teleport_set_home();
// A remembered place chosen from the Teleport menu; 1 when the id is one.
int teleport_command(int id);
