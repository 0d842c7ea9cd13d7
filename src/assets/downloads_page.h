#pragma once

class QWidget;

// The "Downloads" page of the settings sheet: how much of the pictures and
// sounds named by absolute URLs is downloaded.
QWidget* downloads_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void downloads_page_apply(QWidget* page);
