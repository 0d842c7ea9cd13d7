#pragma once

// Teleports and remembered places.
int teleport_init();
void teleport_forward();
void teleport_back();
// The Teleport dialog, with a place filled in or none.
void teleport_dialog(const char* preset);
void teleport_remember();
void teleport_edit();
void teleport_home();
void teleport_set_home();
// A remembered place chosen from the Teleport menu; 1 when the id is one.
int teleport_command(int id);
