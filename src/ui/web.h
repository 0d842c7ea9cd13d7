#pragma once

// The web pane.
void web_init();
void web_update();
void web_term();
