#pragma once

struct element;

// The object action engine and the queue of posted commands.
void behavior_update();
// Posts a command text (a teleport, say) to run on the next frame.
void behavior_post(const char* command);

enum behavior_trigger_kind { behavior_create, behavior_activate, behavior_bump, behavior_adone };
// Runs the clause of the element's action for the trigger; 1 when it ran.
// Teleports and warps of a bump clause are posted to run on the next frame
// and ask the collision test that ran it to stop.
int behavior_trigger(element* e, int trigger);
// 1 once after a bump clause asked the collision test to stop.
int behavior_take_stop();
