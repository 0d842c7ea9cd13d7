#pragma once

// The property protocol with the world server.
void prop_init();
void prop_update();
void prop_term();
// Shows or hides the cache-update pane.
void prop_toggle_cache();
