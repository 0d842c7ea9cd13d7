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
// Asks for a web address and opens it.
void web_open_location();
