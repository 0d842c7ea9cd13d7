#pragma once
#include <cstdint>

// The performance settings read at start-up.

// Reads them for a machine with this much physical memory (bytes); 0 when
// the memory is too small to run.
int perform_init(uint64_t memory);
// The machine's physical memory in bytes.
uint64_t perform_memory();
// Whether several avatar types are shown, and whether avatars animate.
int perform_avatars();
int perform_lifeforms();

// The Performance page's choices.
struct perform_choice {
    int avatars;     // several avatar types
    int lifeforms;   // avatar animations
    int panning;     // high-speed panning
    int framerate;   // frames per second aimed at, as entered
    int visibility;  // the least visibility in metres, as entered
    int directdraw;  // graphics acceleration
    int mmx;
};
// What the settings hold now.
perform_choice perform_current();
// The entered numbers brought into their ranges (3..30 and 25..120).
int perform_clamp_framerate(int value);
int perform_clamp_visibility(int value);
// Stores the choices against `before` (what the page showed): avatars
// are set up again when their switches changed, and a change of graphics
// acceleration asks for a restart. Returns 1 when that notice was shown.
int perform_apply(const perform_choice& before, const perform_choice& after);
