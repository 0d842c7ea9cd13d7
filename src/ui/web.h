#pragma once

// The web pane at the right of the main window, open or closed.

// Makes the pane, open when it was open last time.
void web_init();
void web_update();
void web_term();
int web_is_open();
// Opens a closed pane or closes an open one (command 130); `silent` keeps
// a failure to open quiet.
void web_toggle(int silent);
void web_back();
void web_forward();
void web_stop();
void web_refresh();
// Opens a web address; `from_world` when the world asked for it rather
// than the user. 1 when it was taken, 0 for an empty address or when the
// external browser could not be reached.
int web_open_url(const char* url, int from_world);
// Asks for a web address and opens it.
void web_open_location();
