#pragma once

// Selecting objects for building.
void pick_init();
void pick_update();
void pick_reset();
// An Object menu command on the selected object.
void pick_command(int id);
// Drops the building selection.
void pick_off();
// 1 while an object is selected for building.
int pick_selected();
