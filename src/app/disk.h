#pragma once
#include <cstdint>

// Housekeeping of the cache tree: in the background, a few milliseconds a
// frame, files unused for [disk] delete days are deleted, and the least
// recently used ones go until the tree fits [disk] limit megabytes.

// Reads the settings; the first scan starts 30 s later.
void disk_init();
// The "disk" frame task.
void disk_update();
// Ends a scan under way.
void disk_term();

enum disk_phase { disk_idle = 0, disk_scanning = 1, disk_trimming = 2, disk_finished = 3 };
int disk_phase();
// Bytes counted by the last scan (those left after trimming); -1 before
// the first scan has ended.
int64_t disk_total();

// The current settings: megabytes (0: no limit), days (0: never).
int disk_limit();
int disk_delete_days();
// Applies the Disk Usage page: a lower limit, or a limit or an age where
// there was none, or a shorter age, starts a scan at once.
void disk_apply(int limited, int megabytes, int deleting, int days);
// The usage line of the page.
const char* disk_usage_text();
