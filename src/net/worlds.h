#pragma once
#include <cstddef>

class QWidget;

// The list of running worlds.
void worlds_update();

// A message of the universe for this module: its id, result and body.
void worlds_universe_message(int id, int rc, const unsigned char* body, size_t length);

// The world list's page of the tab window: fills the page given, and is told
// when the page is shown or hidden.
void worlds_init(QWidget* page);
void worlds_show();
void worlds_hide();
