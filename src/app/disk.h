#pragma once

// Housekeeping of the cache tree on disk.
void disk_init();
void disk_update();
