#pragma once

// The layout of the main window's parts.
void layout_update();
