#pragma once

// The sound settings.
void sndoptions_init();
