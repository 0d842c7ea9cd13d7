#pragma once

class QWidget;

// The "Disk Usage" page of the settings sheet.
QWidget* disk_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void disk_page_apply(QWidget* page);
