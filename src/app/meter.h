#pragma once

struct status_pane;

// Shows or hides a meter's status-bar pane, keeping its menu item's check
// mark and its [show] key in step.
void meter_toggle(status_pane** pane, int weight, int menu_item, const char* show_key);
