#pragma once

class QWidget;

// The "Sound" page of the settings sheet.
QWidget* sound_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void sound_page_apply(QWidget* page);
