#pragma once

// Opening links in the external browser.
void url_init(const char* browser);
void url_term();
