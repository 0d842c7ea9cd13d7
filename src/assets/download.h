#pragma once

// The download queue.
void download_init();
void download_update();
void download_reset();
void download_term();
