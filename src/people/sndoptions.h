#pragma once

// The sound settings: whether sound effects (WAV files) and background
// music (MIDI files) play. The sound module asks for them each time.

// Reads [sound] sounds and music; a missing key means on.
void sndoptions_init();
// 1 when sound effects play.
int sndoptions_sounds();
// 1 when music plays.
int sndoptions_music();
// Applies the Sound page: keeps both and writes them to the settings.
void sndoptions_apply(int sounds, int music);
