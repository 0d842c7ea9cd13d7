#pragma once

// The bandwidth meter: bytes sent and received, counted per second over
// the last ten seconds, shown in a status-bar pane while [show] bandwidth
// is on.
void bps_init();
void bps_update();
void bps_toggle();
// Adds a count of bytes sent or received.
void bps_add(int bytes);
