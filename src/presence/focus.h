#pragma once

// The focus: resting the cursor on an object in the 3D view for half a
// second shows the object's description in a small label beside it.

// Starts with no label; 0 on success.
int focus_init();
// Looks under the cursor (the frame task "focus").
void focus_update();
// Tells the view that the label appeared, changed or went, so that it is
// painted again; set once at start-up.
void focus_set_listener(void (*changed)());
// The text of the label being shown; none when no label shows.
const char* focus_text();
// Where the label's text starts, in the view's pixels: 10 right of and
// below where the cursor was when the label first showed. The view keeps
// the label inside itself.
void focus_label_position(int* x, int* y);
