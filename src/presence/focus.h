#pragma once

// The focus label over the object under the mouse.
int focus_init();
void focus_update();
