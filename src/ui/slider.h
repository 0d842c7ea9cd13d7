#pragma once

// The splitters of the main window.
void slider_init();
void vslider_init();
int slider_update();
int vslider_update();
