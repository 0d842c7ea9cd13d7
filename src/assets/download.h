#pragma once

// The download queue: art fetched from the world's object path and kept in
// the art cache.
void download_init();
void download_update();
void download_reset();
void download_term();

// The object path of the world being entered (an empty one stands for the
// default object path): makes its cache folder and type folders, and opens
// its date store. 1 when the world differs from the previous call's.
int download_set_path(const char* object_path, int length);
// The object path's cache folder, or "" before the first path is set.
const char* download_cache_path();
// Shows or hides the Downloads window.
void download_toggle();
