#pragma once

class QWidget;

// The "Advanced" page of the settings sheet: the privilege application and
// the cache's keep-files options.
QWidget* advanced_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void advanced_page_apply(QWidget* page);
