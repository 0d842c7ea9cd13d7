#pragma once

class QWidget;

// The "Performance" page of the settings sheet.
QWidget* perform_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void perform_page_apply(QWidget* page);
