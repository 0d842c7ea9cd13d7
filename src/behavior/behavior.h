#pragma once

// The object action engine and the queue of posted commands.
void behavior_update();
// Posts a command text (a teleport, say) to run on the next frame.
void behavior_post(const char* command);
