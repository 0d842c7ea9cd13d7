#pragma once

// Ties what the lower layers ask for to the code above them that answers
// it: ending the program, clearing a world's state, showing message boxes,
// check marks and status panes, and handing universe messages on. Runs once
// at start-up, before anything can ask.
void wiring_init();
