#pragma once

class QDialog;

// The "Settings" sheet: Performance, Disk Usage, Proxy, Sound, Downloads,
// Privacy and Advanced. Each page applies its own values on OK or Apply.

// Opens the sheet and waits for it to close.
void sheet_open();
// Makes the sheet without opening it (tests drive it themselves).
QDialog* sheet_create();
