#pragma once

struct element;

// Building: an object selected with the right mouse button is taken out of
// its cell, moved, turned, duplicated or deleted with the Object menu, and
// committed to the world server when it is let go.
void pick_init();
// Keeps the yellow box around the selected object (once a frame).
void pick_update();
// Entering a world: the selected object goes without anything being sent.
void pick_reset();
void pick_term();
// Selects the object under a point of the 3D view (view pixels); a second
// click on the selected one, or one on nothing, lets go. 1 when an object
// was under the point.
int pick_at(int x, int y);
// An Object menu command (108 to 117) or Undo Changes (140) on the selected
// object.
void pick_command(int id);
// Commits and lets go of the selection and stops showing hidden objects.
void pick_off();
// 1 while an object is selected for building.
int pick_selected();
// The selected object, or none.
const element* pick_element();

// Gives the keyboard focus back to the 3D view; set once at start-up.
void pick_set_focus_view(void (*focus_view)());
