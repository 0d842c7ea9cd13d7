#pragma once
#include <cstdint>

#include "behavior/action.h"

struct element;

// The object action engine: reads each new element's action once, runs
// its clauses when the element is created, clicked, bumped into or its
// animation ends, and runs one posted command a frame.

// Reads the element's action into the program it keeps and requests the
// sounds, textures and pictures the action names (not the pictures of
// create clauses). 1 when the action is well formed, else 0; a malformed
// action still runs the commands it holds before each error.
int behavior_check(element* e);
// Runs the element's first clause for the trigger; 1 when it ran without
// error, 0 for no action, no such clause or a clause with an error.
// Teleports and warps of a bump clause are posted to run on the next frame
// and ask the collision test that ran it to stop.
int behavior_trigger(element* e, action_trigger trigger);
// 1 once after a bump clause asked the collision test to stop.
int behavior_take_stop();

// Keeps a copy of one command text (a teleport, say), replacing an earlier
// one, to run on the next frame.
void behavior_post(const char* command);
// Once a frame: runs the posted command, with no current element.
void behavior_update();

// The commands run by triggers and posts since start-up.
uint64_t behavior_actions_run();

// Opens a web address in the web pane, or the desktop's browser when no
// pane is open; `from_world` keeps the focus and holds the address for the
// pane instead. Set at start-up by the code that owns the pane.
using behavior_web = int (*)(const char* url, int from_world);
void behavior_set_web(behavior_web web);
