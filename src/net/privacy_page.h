#pragma once

class QWidget;

// The "Privacy" page of the settings sheet: who may join the user, and
// whether contacts see the user's world.
QWidget* privacy_page_create();
// Applies what the page shows (OK or Apply of the sheet).
void privacy_page_apply(QWidget* page);
