#pragma once

// Integer settings with the defaults and limits of the settings key table.
// Keys the table gives no default for read as stored (-1 when missing).
int settings_int(const char* section, const char* key);
