#pragma once

// The toolbar.
int toolbar_init();
void toolbar_show(int shown);
