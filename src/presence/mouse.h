#pragma once

// The mouse in the 3D view works in one of two modes. As a picker (the
// default) the cursor shows, clicks pick and open objects and resting on
// one shows its description. As a mover the cursor is hidden and held at
// the view's centre; how far it moved each frame steers the user.

enum mouse_mode { mouse_picker = 0, mouse_mover = 1 };

// What the mouse needs of the 3D view's window, in pixels from the view's
// top-left corner. Set once at start-up; until then the cursor stays where
// it is and reads as (0, 0).
struct mouse_view {
    void (*cursor)(int* x, int* y);
    void (*move_cursor)(int x, int y);
    void (*show_cursor)(int shown);
    void (*size)(int* width, int* height);
};
void mouse_set_view(const mouse_view& view);

// Picker mode; the toolbar's mouse-mode button works from now on.
void mouse_init();
// Command 118: becomes a mover (nothing when it is one).
void mouse_as_mover();
// Becomes a picker again, showing the cursor where it was.
void mouse_as_picker();
// The application becomes active or inactive: a mover takes the cursor
// (saved, hidden, centred in the view) or gives it back (put back where it
// was, shown). A picker does nothing.
void mouse_activate();
void mouse_deactivate();
int mouse_is_mover();
int mouse_is_picker();
// A mover's steering since the last call, in pixels: the cursor's distance
// left of (turn) and above (forward) the view's centre; the cursor goes
// back to the centre. 0, 0 for a picker.
void mouse_steer(int* turn, int* forward);
// The cursor in the view's coordinates (outside the view when it is).
void mouse_client_position(int* x, int* y);
