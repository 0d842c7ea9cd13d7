#pragma once

// The splash screen and the about box.
int about_init();
void about_hide();
