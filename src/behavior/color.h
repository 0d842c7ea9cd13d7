#pragma once

// The named-colour table of object actions.
int color_init();
