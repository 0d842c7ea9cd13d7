#pragma once

// The Teleport menu's dialogs: a place to go to, a place to remember, and
// the list of remembered places to edit.

// The Teleport dialog: a world (`world`, or the current world when none)
// and a coordinate text; OK posts the teleport.
void teleport_dialog(const char* world);
// Asks for a name for the place the user is at and remembers it.
void teleport_remember();
// The Edit Teleports dialog: renames and deletes work on copies of the
// remembered places, which OK puts in place of the list.
void teleport_edit();
