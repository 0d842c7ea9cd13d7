#pragma once

class QWidget;

// The "Proxy" page of the settings sheet.
QWidget* proxy_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void proxy_page_apply(QWidget* page);
