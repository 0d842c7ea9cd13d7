#pragma once

// The gesture bar.
void gesture_init();
int gesture_key(int code);
int gesture_command(int id);
void gesture_reset();
void gesture_bar_rebuild();
